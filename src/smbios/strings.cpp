// String lookup inside a structure's string set, and the hex dump of a structure.
#include "smbios/strings.h"
#include "smbios/option_state.h"
#include "smbios/structure.h"

#include <cstdio>

namespace {

// Start of string `number` (from 1) and its length, or null when the set has
// fewer strings. A string that the table end cuts off counts as missing, so
// nothing past the table is ever read.
char *find_string(const smbios_structure &s, std::uint8_t number, std::size_t *len)
{
    std::uint8_t *p = s.data + s.length;
    std::uint8_t *end = s.table_end;
    for (unsigned n = 1;; n++) {
        std::uint8_t *q = p;
        while (q < end && *q)
            q++;
        if (q >= end || q == p)
            return nullptr;
        if (n == number) {
            *len = static_cast<std::size_t>(q - p);
            return reinterpret_cast<char *>(p);
        }
        p = q + 1;
    }
}

void print_hex_rows(const std::uint8_t *p, std::size_t count)
{
    for (std::size_t row = 0; row < count; row += 16) {
        std::printf("\t\t");
        for (std::size_t i = row; i < count && i < row + 16; i++)
            std::printf(i == row ? "%02X" : " %02X", p[i]);
        std::printf("\n");
    }
}

} // namespace

const char *structure_string(const smbios_structure &s, std::uint8_t number)
{
    if (number == 0)
        return "Not Specified";
    std::size_t len = 0;
    char *str = find_string(s, number, &len);
    if (!str)
        return BAD_INDEX;
    if (!(decoder_options.mode & MODE_DUMP))
        for (std::size_t i = 0; i < len; i++)
            if (str[i] < 0x20 || str[i] > 0x7E)
                str[i] = '.';
    return str;
}

void dump_structure(const smbios_structure &s)
{
    std::printf("%sHeader and Data:\n", "\t");
    std::size_t avail = static_cast<std::size_t>(s.table_end - s.data);
    print_hex_rows(s.data, s.length < avail ? s.length : avail);

    const std::uint8_t *after = s.data + s.length;
    if (after + 2 > s.table_end || (after[0] == 0 && after[1] == 0))
        return;
    std::printf("%sStrings:\n", "\t");
    for (unsigned n = 1; n <= 255; n++) {
        std::size_t len = 0;
        if (!find_string(s, static_cast<std::uint8_t>(n), &len))
            break;
        const char *str = structure_string(s, static_cast<std::uint8_t>(n));
        if (!(decoder_options.mode & MODE_DUMP)) {
            std::printf("%s\t%s\n", "\t", str);
            continue;
        }
        print_hex_rows(reinterpret_cast<const std::uint8_t *>(str), len + 1);
        std::printf("\t\t\"");
        for (std::size_t i = 0; i < len; i++)
            std::putchar(str[i] >= 0x20 && str[i] <= 0x7E ? str[i] : '.');
        std::printf("\"\n");
    }
}
