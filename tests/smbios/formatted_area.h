#pragma once
// Formatted areas of hand-built structures, written by structure offset so
// that a test reads like the structure layout it exercises.
#include "smbios/table_builder.h"
#include "smbios/oem.h"
#include "smbios/structure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Kept in a namespace of their own: other decoder tests link into the same program.
namespace area_fixture {

struct formatted_area {
    std::uint8_t type;
    bytes body; // offsets 4 .. length-1

    formatted_area(std::uint8_t structure_type, std::size_t length)
        : type(structure_type), body(length - 4) {}

    formatted_area &byte(std::size_t offset, std::uint8_t v)
    {
        body.at(offset - 4) = v;
        return *this;
    }
    formatted_area &word(std::size_t offset, std::uint16_t v)
    {
        return byte(offset, static_cast<std::uint8_t>(v)).byte(offset + 1, static_cast<std::uint8_t>(v >> 8));
    }
    formatted_area &dword(std::size_t offset, std::uint32_t v)
    {
        return word(offset, static_cast<std::uint16_t>(v)).word(offset + 2, static_cast<std::uint16_t>(v >> 16));
    }
    formatted_area &qword(std::size_t offset, std::uint64_t v)
    {
        return dword(offset, static_cast<std::uint32_t>(v)).dword(offset + 4, static_cast<std::uint32_t>(v >> 32));
    }
    formatted_area &fill(std::size_t offset, const std::vector<std::uint8_t> &v)
    {
        for (std::size_t i = 0; i < v.size(); i++)
            byte(offset + i, v[i]);
        return *this;
    }

    // The same area cut to a shorter length, as an older table would hold it.
    formatted_area truncated(std::size_t length) const
    {
        formatted_area a = *this;
        a.body.resize(length - 4);
        return a;
    }

    bytes structure(std::uint16_t handle, const std::vector<std::string> &strings = {}) const
    {
        return ::structure(type, handle, body, strings);
    }
};

// One output line and the structure lengths that print it (from..to inclusive).
struct gated_line {
    unsigned from;
    unsigned to;
    std::string text;
};
inline constexpr unsigned ANY_LENGTH = 255;

// What a structure of `length` prints: its title, then every line whose
// length range covers it, then the closing empty line.
inline std::string gated_output(const std::string &title, const std::vector<gated_line> &lines,
                                unsigned length)
{
    std::string out = title;
    for (const auto &l : lines)
        if (length >= l.from && length <= l.to)
            out += l.text;
    return out + "\n";
}

// A view of a built structure, the whole vector being the table.
inline smbios_structure view_of(bytes &b)
{
    return {b[0], b[1], static_cast<std::uint16_t>(b[2] | b[3] << 8), b.data(), b.data() + b.size()};
}

// Sets the vendor for one test and puts the previous one back.
struct vendor_scope {
    oem_vendor_id saved = oem_vendor;
    explicit vendor_scope(oem_vendor_id v) { oem_vendor = v; }
    ~vendor_scope() { oem_vendor = saved; }
    vendor_scope(const vendor_scope &) = delete;
    vendor_scope &operator=(const vendor_scope &) = delete;
};

} // namespace area_fixture
