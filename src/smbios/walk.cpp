// The walk over the structures of one table, and the value of --string.
#include "smbios/walk.h"
#include "smbios/decode.h"
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/oem.h"
#include "smbios/option_state.h"
#include "runtime/diagnostics.h"
#include "smbios/strings.h"
#include "smbios/structure.h"
#include "smbios/table_io.h"
#include "smbios/types_processor.h"
#include "smbios/types_system.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::uint8_t END_OF_TABLE = 127;
constexpr std::uint8_t INACTIVE = 126;

// Width of the field that --string reads at each special offset.
unsigned string_field_width(unsigned key)
{
    switch (key) {
    case 0x0108: return 16; // UUID
    case 0x0416: return 2;  // current speed
    default: return 1;
    }
}

// A fault of the table itself. With --string, standard output carries the
// values alone (the utility takes it as the answer), so the fault goes to
// standard error there.
[[gnu::format(gnu_printf, 1, 2)]] void table_fault(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    if (decoder_options.string_key) {
        report_error_v(format, ap);
    } else {
        std::vprintf(format, ap);
    }
    va_end(ap);
}

// Where the next structure begins: past the two NULs that end the string set
// after a formatted area that ends at `area_end`; beyond `available` when the
// bytes there end first.
std::size_t string_set_end(const std::uint8_t *table, std::uint32_t available, std::size_t area_end)
{
    std::size_t q = area_end;
    while (q + 1 < available && !(table[q] == 0 && table[q + 1] == 0))
        q++;
    return q + 2;
}

// Walks `table`, of which `available` bytes are there; `length` and `count`
// are what the entry point announced.
void walk_table(std::uint8_t *table, std::uint32_t available, std::uint32_t length, std::uint16_t count,
                std::uint16_t version, unsigned flags)
{
    const bool with_string = decoder_options.string_key != nullptr;
    std::uint8_t *const end = table + available;
    std::size_t p = 0;
    unsigned walked = 0;
    while ((walked < count || count == 0) && p + 4 <= available) {
        std::uint8_t *at = table + p;
        smbios_structure s{at[0], at[1], word_at(at + 2), at, end};
        const bool quiet = decoder_quiet();
        const bool displayed = (!decoder_options.type_filter || decoder_options.type_filter[s.type]) &&
                               !(quiet && (s.type == INACTIVE || s.type == END_OF_TABLE)) && !with_string;
        if (s.length < 4) {
            table_fault("Invalid entry length (%u). DMI table is broken! Stop.\n\n", s.length);
            decoder_options.mode |= MODE_QUIET;
            return;
        }
        if (quiet && s.type == END_OF_TABLE)
            break;
        if (displayed && !(quiet && !(decoder_options.mode & MODE_DUMP)))
            std::printf("Handle 0x%04X, DMI type %d, %d bytes\n", s.handle, s.type, s.length);
        // Structures whose formatted area the table end cuts off are read by no one.
        const bool area_whole = p + s.length <= available;
        if (s.type == 1 && s.length >= 5 && area_whole)
            set_oem_vendor(structure_string(s, at[4]));
        // Some firmware announces 16 bytes for an 11-byte type 34 structure,
        // whose strings then begin at offset 11.
        if (s.type == 34 && s.length == 16 && area_whole && all_printable(at + 11, 5)) {
            table_fault("Invalid entry length (%u). Fixed up to %u.\n", 16u, 11u);
            s.length = 11;
        }
        const std::size_t q = string_set_end(table, available, p + s.length);
        if (displayed) {
            if (q > available) {
                if (!decoder_quiet())
                    std::printf("\t<TRUNCATED>\n\n");
            } else if (decoder_options.mode & MODE_DUMP) {
                dump_structure(s);
                std::printf("\n");
            } else {
                decode_structure(s, version);
            }
        } else if (with_string && decoder_options.string_key->type == s.type &&
                   decoder_options.string_key->offset < s.length && area_whole) {
            print_string_value(s, version);
        }
        walked++;
        p = q;
        if (s.type == END_OF_TABLE && (flags & WALK_STOP_AT_END))
            break;
    }
    if (decoder_quiet())
        return;
    if (count != 0) {
        if (walked != count)
            std::printf("Wrong DMI structures count: %d announced, only %d decoded.\n", count, walked);
        if (p != length)
            std::printf("Wrong DMI structures length: %u bytes announced, structures occupy %lu bytes.\n",
                        length, static_cast<unsigned long>(p));
    } else if (p > length) {
        std::printf("Wrong DMI structures length: %u bytes announced, structures occupy %lu bytes.\n", length,
                    static_cast<unsigned long>(p));
    }
}

// Whether the structures in `available` bytes reach a whole End-of-Table
// structure, its string set included, found as the walk finds the next
// structure.
bool holds_end_of_table(const std::uint8_t *table, std::uint32_t available)
{
    std::size_t p = 0;
    while (p + 4 <= available) {
        const std::uint8_t type = table[p], length = table[p + 1];
        if (length < 4)
            return false;
        const std::size_t q = string_set_end(table, available, p + length);
        if (q > available)
            return false;
        if (type == END_OF_TABLE)
            return true;
        p = q;
    }
    return false;
}

} // namespace

int walk_structure_table(std::uint64_t base, std::uint32_t length, std::uint16_t count, std::uint16_t version,
                         const char *source, unsigned flags)
{
    if (version > 0x0300 && !decoder_quiet())
        std::printf("# SMBIOS implementations newer than version %u.%u are not\n"
                    "# fully supported by this version of kelb-dmi.\n",
                    3u, 0u);
    if (!decoder_quiet()) {
        if (!decoder_options.type_filter) {
            if (count != 0)
                std::printf("%u structures occupying %u bytes.\n", count, length);
            if (!(decoder_options.mode & MODE_FROM_DUMP))
                std::printf("Table at 0x%08llX.\n", static_cast<unsigned long long>(base));
        }
        std::printf("\n");
    }
    if (flags & WALK_NO_FILE_OFFSET)
        base = 0;

    std::uint8_t *table;
    std::uint32_t available = length;
    buffer_ptr owned;
    const bool physical = (flags & WALK_PHYSICAL_SOURCE) != 0;
    bool beyond_bound = false;
    if (source) {
        owned.reset(read_chunk(base, length, source, physical, &available, &beyond_bound));
        if (!owned) {
            report_error("Table is unreachable, sorry.\n");
            return -1;
        }
        table = owned.get();
        // Physical memory goes on past the bound; only a file can end before it.
        if (physical)
            beyond_bound = length > MAX_TABLE_SIZE;
    } else {
        table = reinterpret_cast<std::uint8_t *>(static_cast<std::uintptr_t>(base));
    }

    if (decoder_options.mode & MODE_DUMP_BIN) {
        if (!decoder_quiet())
            std::printf("# Writing %d bytes to %s.\n", static_cast<int>(available), decoder_options.dump_path);
        dump_write_at(32, available, table, decoder_options.dump_path, false);
    } else {
        walk_table(table, available, length, count, version, flags);
    }
    if (beyond_bound) {
        report_error("Table of %u bytes announced: only its first %u bytes were read.\n", length, MAX_TABLE_SIZE);
        return -1;
    }
    // A source that ends inside the table: a 64-bit entry point announces
    // only the most the table takes, which is all there once its
    // End-of-Table structure is.
    if (available < length && !(count == 0 && (flags & WALK_STOP_AT_END) && holds_end_of_table(table, available))) {
        if (count == 0)
            report_error("%s: table of up to %u bytes announced, the %u bytes that could be read end before its "
                         "End-of-Table structure.\n",
                         source, length, available);
        else
            report_error("%s: table of %u bytes announced, only %u of them could be read.\n", source, length,
                         available);
        return -1;
    }
    return 0;
}

void print_string_value(const smbios_structure &s, std::uint16_t version)
{
    const unsigned offset = decoder_options.string_key->offset;
    const unsigned key = static_cast<unsigned>(s.type) << 8 | offset;
    // A field the structure is too short to hold entirely is not printed.
    if (offset + string_field_width(key) > s.length)
        return;
    const std::uint8_t *field = s.data + offset;
    switch (key) {
    case 0x0108:
        print_uuid(field, version);
        break;
    case 0x0305: {
        unsigned v = field[0] & 0x7F;
        std::printf("%s", v >= 1 && v <= 32 ? chassis_type_name(static_cast<std::uint8_t>(v)) : OUT_OF_SPEC);
        break;
    }
    case 0x0406:
        std::printf("%s", processor_family_name(s, version));
        break;
    case 0x0416:
        print_mhz(word_at(field));
        break;
    default:
        // For "oem-string-last" the field is the string count, so the number
        // looked up is that of the last string.
        std::printf("%s", structure_string(s, field[0]));
        break;
    }
    std::printf("\n");
}
