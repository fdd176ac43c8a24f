// SMBIOS structures, tables, entry points and dump files built byte by byte.
#include "support/smbios_tables.h"

#include <algorithm>

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

void put_le(bytes &b, std::size_t at, std::uint64_t v, unsigned width)
{
    for (unsigned i = 0; i < width; i++)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

namespace {

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
    return add(structure(127, handle, {}));
}
