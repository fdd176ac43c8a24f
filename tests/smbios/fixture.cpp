#include "fixture.h"

#include <algorithm>
#include <filesystem>

bytes structure(std::uint8_t type, std::uint16_t handle, const bytes &fields,
                const std::vector<std::string> &strings, int length)
{
    bytes s(4 + fields.size());
    s[0] = type;
    s[1] = static_cast<std::uint8_t>(length >= 0 ? length : 4 + static_cast<int>(fields.size()));
    s[2] = static_cast<std::uint8_t>(handle);
    s[3] = static_cast<std::uint8_t>(handle >> 8);
    std::copy(fields.begin(), fields.end(), s.begin() + 4);
    for (const std::string &str : strings) {
        s.insert(s.end(), str.begin(), str.end());
        s.push_back(0);
    }
    if (strings.empty())
        s.push_back(0);
    s.push_back(0);
    return s;
}

bytes end_of_table(std::uint16_t handle)
{
    return structure(127, handle, {});
}

bytes concat(std::initializer_list<bytes> parts)
{
    bytes all;
    for (const bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

namespace {

void put_le(bytes &b, std::size_t at, std::uint64_t v, unsigned width)
{
    for (unsigned i = 0; i < width; i++)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void fix_checksum(bytes &b, std::size_t at, std::size_t from, std::size_t count)
{
    b[at] = 0;
    b[at] = static_cast<std::uint8_t>(0x100 - byte_sum(b, from, count) % 0x100);
}

} // namespace

bytes entry_sm3(std::uint64_t address, std::uint32_t max_size, std::uint8_t major, std::uint8_t minor,
                std::uint8_t docrev)
{
    bytes e(0x18, 0);
    put(e, 0, {'_', 'S', 'M', '3', '_'});
    e[0x06] = 0x18;
    e[0x07] = major;
    e[0x08] = minor;
    e[0x09] = docrev;
    e[0x0A] = 1;
    put_le(e, 0x0C, max_size, 4);
    put_le(e, 0x10, address, 8);
    fix_checksum(e, 0x05, 0, 0x18);
    return e;
}

bytes entry_sm(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t major,
               std::uint8_t minor)
{
    bytes e(0x1F, 0);
    put(e, 0, {'_', 'S', 'M', '_'});
    e[0x05] = 0x1F;
    e[0x06] = major;
    e[0x07] = minor;
    put_le(e, 0x08, 0xFF, 2);
    put(e, 0x10, {'_', 'D', 'M', 'I', '_'});
    put_le(e, 0x16, length, 2);
    put_le(e, 0x18, address, 4);
    put_le(e, 0x1C, count, 2);
    e[0x1E] = static_cast<std::uint8_t>(major << 4 | (minor & 0x0F));
    fix_checksum(e, 0x15, 0x10, 15);
    fix_checksum(e, 0x04, 0, 0x1F);
    return e;
}

bytes entry_dmi(std::uint32_t address, std::uint16_t length, std::uint16_t count, std::uint8_t bcd)
{
    bytes e(15, 0);
    put(e, 0, {'_', 'D', 'M', 'I', '_'});
    put_le(e, 0x06, length, 2);
    put_le(e, 0x08, address, 4);
    put_le(e, 0x0C, count, 2);
    e[0x0E] = bcd;
    fix_checksum(e, 0x05, 0, 15);
    return e;
}

bytes dump_image(const bytes &entry, const bytes &table)
{
    bytes d(32, 0);
    put(d, 0, entry);
    d.insert(d.end(), table.begin(), table.end());
    return d;
}

bytes raw_block(std::uint8_t major, std::uint8_t minor, const bytes &table, std::uint32_t announced)
{
    bytes b(8 + table.size());
    b[1] = major;
    b[2] = minor;
    put_le(b, 4, announced == 0xFFFFFFFF ? table.size() : announced, 4);
    std::copy(table.begin(), table.end(), b.begin() + 8);
    return b;
}

void put(bytes &into, std::size_t at, const bytes &what)
{
    if (into.size() < at + what.size())
        into.resize(at + what.size());
    std::copy(what.begin(), what.end(), into.begin() + static_cast<std::ptrdiff_t>(at));
}

unsigned byte_sum(const bytes &b, std::size_t from, std::size_t count)
{
    unsigned s = 0;
    for (std::size_t i = 0; i < count; i++)
        s += b[from + i];
    return s;
}

std::uint64_t le_at(const bytes &b, std::size_t at, unsigned width)
{
    std::uint64_t v = 0;
    for (unsigned i = 0; i < width; i++)
        v |= static_cast<std::uint64_t>(b[at + i]) << (8 * i);
    return v;
}

std::string plain(const std::string &text)
{
    std::string t;
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            t += text[i];
    return t;
}

namespace {

run_result plain_result(run_result r)
{
    r.out = plain(r.out);
    r.err = plain(r.err);
    return r;
}

} // namespace

run_result run_dmi(const std::vector<std::string> &args)
{
    std::vector<std::string> argv = {KELB_DMI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return plain_result(run_program(argv));
}

void sim_machine::place(const std::string &system_path, const bytes &data)
{
    std::filesystem::path p = root() + system_path;
    std::filesystem::create_directories(p.parent_path());
    write_file(p.string(), data);
}

void sim_machine::place(const std::string &system_path, const std::string &text)
{
    place(system_path, bytes(text.begin(), text.end()));
}

void sim_machine::firmware_table(const bytes &block)
{
    firmware_table_ = file("firmware-table.bin");
    write_file(*firmware_table_, block);
}

run_result sim_machine::run(const std::vector<std::string> &args) const
{
    std::vector<std::string> argv = {KELB_DMI_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::filesystem::create_directories(root());
    return plain_result(run_program(argv, {{"KELB_SIM_ROOT", root()}, {"KELB_SIM_FIRMWARE_TABLE", firmware_table_}}));
}

bytes memory_image()
{
    return bytes(1u << 20, 0);
}

std::string structures_part(const std::string &out)
{
    std::size_t at = out.find("\n\n");
    return at == std::string::npos ? std::string() : out.substr(at + 2);
}
