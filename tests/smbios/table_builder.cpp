#include "smbios/table_builder.h"

#include "smbios/decode.h"
#include "smbios/fixture.h"
#include "smbios/options.h"
#include "support/capture.h"

bytes make_structure(std::uint8_t type, std::uint16_t handle, const bytes &body,
                     const std::vector<std::string> &strings)
{
    return structure(type, handle, body, strings);
}

void put_word(bytes &b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_dword(bytes &b, std::uint32_t v)
{
    put_word(b, static_cast<std::uint16_t>(v));
    put_word(b, static_cast<std::uint16_t>(v >> 16));
}

void put_qword(bytes &b, std::uint64_t v)
{
    put_dword(b, static_cast<std::uint32_t>(v));
    put_dword(b, static_cast<std::uint32_t>(v >> 32));
}

smbios_table &smbios_table::add(const bytes &structure)
{
    data.insert(data.end(), structure.begin(), structure.end());
    count++;
    return *this;
}

smbios_table &smbios_table::end_of_table(std::uint16_t handle)
{
    return add(make_structure(127, handle, {}));
}

std::string decode_one(const bytes &structure, std::uint16_t version, unsigned mode)
{
    bytes copy = structure; // string lookups may rewrite bytes in place
    smbios_structure s{copy[0], copy[1], static_cast<std::uint16_t>(copy[2] | copy[3] << 8),
                       copy.data(), copy.data() + copy.size()};
    unsigned saved = decoder_options.mode;
    decoder_options.mode = mode;
    std::string out = capture_stdout([&] { decode_structure(s, version); });
    decoder_options.mode = saved;
    return out;
}
