#include "smbios/table_builder.h"

#include "smbios/decode.h"
#include "smbios/options.h"
#include "support/capture.h"

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
