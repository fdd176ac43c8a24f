// Finds the SMBIOS structure table by trying each access method in a fixed
// order, and decodes the entry points.
#include "smbios/access.h"
#include "smbios/option_state.h"
#include "smbios/platform.h"
#include "runtime/diagnostics.h"
#include "smbios/structure.h"
#include "smbios/table_io.h"
#include "smbios/walk.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace {

constexpr const char SYSFS_ENTRY_POINT[] = "/sys/firmware/dmi/tables/smbios_entry_point";
constexpr const char SYSFS_TABLE[] = "/sys/firmware/dmi/tables/DMI";
constexpr const char EFI_SYSTAB[] = "/sys/firmware/efi/systab";
constexpr const char EFI_SYSTAB_OLD[] = "/proc/efi/systab";
constexpr const char NOT_FOUND[] = "# No SMBIOS nor DMI entry point found, sorry.";

// The dump file keeps the entry point in its first 32 bytes and the table after them.
constexpr std::uint32_t DUMP_TABLE_OFFSET = 32;

constexpr std::uint64_t SCAN_BASE = 0xF0000;
constexpr std::uint32_t SCAN_LENGTH = 0x10000;

bool begins_with(const std::uint8_t *p, const char *anchor)
{
    return std::memcmp(p, anchor, std::strlen(anchor)) == 0;
}

// Where each kind keeps its table address and the checksum byte whose range
// covers it, and how far the fields the decoder reads reach.
// An entry point whose own length does not cover the fields read (its
// checksum range then leaves them out; a length of 0 always sums to 0) is not
// valid.
struct entry_layout {
    unsigned address_offset, address_width, checksum_offset, fields_end, shortest;
};
constexpr entry_layout SM3_LAYOUT = {0x10, 8, 0x05, 0x18, 0x18};
constexpr entry_layout SM_LAYOUT = {0x18, 4, 0x15, 0x1F, 0x1E};
constexpr entry_layout DMI_LAYOUT = {0x08, 4, 0x05, 0x0F, 0x0F};

// Writes the entry point into the dump file ahead of the table the walk has
// written, pointing it at offset 32 with its checksum still holding.
void dump_entry_point(const std::uint8_t *entry, std::size_t available, std::size_t own_length,
                      std::size_t checksum_end, const entry_layout &k)
{
    std::array<std::uint8_t, DUMP_TABLE_OFFSET> copy{};
    std::memcpy(copy.data(), entry, available < copy.size() ? available : copy.size());
    unsigned old_sum = 0;
    for (unsigned i = 0; i < k.address_width; i++) {
        old_sum += copy[k.address_offset + i];
        copy[k.address_offset + i] = i == 0 ? DUMP_TABLE_OFFSET : 0;
    }
    if (k.address_offset + k.address_width <= checksum_end)
        copy[k.checksum_offset] = static_cast<std::uint8_t>(copy[k.checksum_offset] + old_sum - DUMP_TABLE_OFFSET);
    // An entry point shorter than its own fields still gets its address into
    // the file; one longer than 32 bytes would overwrite the table.
    std::size_t n = own_length > k.fields_end ? own_length : k.fields_end;
    n = n < copy.size() ? n : copy.size();
    if (!decoder_quiet())
        std::printf("# Writing %d bytes to %s.\n", static_cast<int>(n), decoder_options.dump_path);
    dump_write_at(0, static_cast<std::uint32_t>(n), copy.data(), decoder_options.dump_path, true);
}

int decode_any_entry(const std::uint8_t *block, std::size_t available, const char *source,
                     unsigned flags, bool legacy_too)
{
    if (available >= 5 && begins_with(block, "_SM3_"))
        return decode_entry_sm3(block, available, source, flags);
    if (available >= 4 && begins_with(block, "_SM_"))
        return decode_entry_sm(block, available, source, flags);
    if (legacy_too && available >= 5 && begins_with(block, "_DMI_"))
        return decode_entry_dmi(block, available, source, flags);
    return 0;
}

// The run's status after an entry point was tried: 1 when its table could
// not be read.
int status_of(int decoded)
{
    return decoded < 0 ? 1 : 0;
}

void say(const char *line)
{
    if (!decoder_quiet())
        std::printf("%s\n", line);
}

// The methods below answer the run's status, or -1 to go on with the next.

int from_dump_file()
{
    const char *path = decoder_options.dump_path;
    if (!decoder_quiet())
        std::printf("Reading SMBIOS/DMI data from file %s.\n", path);
    std::uint32_t got = 0;
    buffer_ptr entry(read_chunk(0, DUMP_TABLE_OFFSET, path, false, &got));
    if (!entry)
        return 1;
    int decoded = decode_any_entry(entry.get(), got, path, 0, true);
    if (decoded == 0)
        say(NOT_FOUND);
    return status_of(decoded);
}

int from_sysfs()
{
    std::size_t got = 0;
    buffer_ptr entry(read_whole_file(DUMP_TABLE_OFFSET, SYSFS_ENTRY_POINT, &got));
    if (!entry)
        return -1;
    say("Getting SMBIOS data from sysfs.");
    if (int decoded = decode_any_entry(entry.get(), got, SYSFS_TABLE, WALK_NO_FILE_OFFSET, true))
        return status_of(decoded);
    say("Failed to get SMBIOS data from sysfs.");
    return -1;
}

int from_efi_systab()
{
    const char *name = EFI_SYSTAB;
    file_ptr f;
    if (open_source_file(name, &f) != 0) {
        name = EFI_SYSTAB_OLD;
        if (open_source_file(name, &f) != 0)
            return -1;
    }
    bool found = false;
    std::uint64_t address = 0;
    char line[64];
    while (!found && std::fgets(line, sizeof line - 1, f.get())) {
        char *eq = std::strchr(line, '=');
        if (!eq)
            continue;
        *eq = '\0';
        if (std::strcmp(line, "SMBIOS3") == 0 || std::strcmp(line, "SMBIOS") == 0) {
            address = std::strtoull(eq + 1, nullptr, 0);
            found = true;
            if (!decoder_quiet())
                std::printf("# %s entry point at 0x%08llx\n", line, static_cast<unsigned long long>(address));
        }
    }
    if (std::fclose(f.release()) != 0)
        report_errno(name);
    if (!found) {
        report_error("%s: SMBIOS entry point missing\n", name);
        return 1;
    }
    const char *device = decoder_options.device_path;
    if (!decoder_quiet())
        std::printf("Found SMBIOS entry point in EFI, reading table from %s.\n", device);
    buffer_ptr entry(read_chunk(address, DUMP_TABLE_OFFSET, device, true, nullptr));
    if (!entry)
        return 1;
    int decoded = decode_any_entry(entry.get(), DUMP_TABLE_OFFSET, device, WALK_PHYSICAL_SOURCE, false);
    if (decoded == 0)
        say(NOT_FOUND);
    return status_of(decoded);
}

int from_firmware_table()
{
    std::uint32_t size = 0;
    buffer_ptr raw(fetch_raw_smbios(&size));
    if (!raw || size < 8)
        return -1;
    const std::uint8_t *block = raw.get();
    // The announced length is not trusted beyond the block the service returned.
    std::uint32_t length = dword_at(block + 4);
    if (length > size - 8)
        length = size - 8;
    say("Getting SMBIOS data with GetSystemFirmwareTable.");
    std::uint32_t count = count_structures(block + 8, length);
    if (!decoder_quiet())
        std::printf("SMBIOS %u.%u present.\n", block[1], block[2]);
    return status_of(walk_structure_table(reinterpret_cast<std::uintptr_t>(block + 8), length,
                                          static_cast<std::uint16_t>(count),
                                          static_cast<std::uint16_t>(block[1] << 8 | block[2]), nullptr, 0));
}

int scan_memory()
{
    const char *device = decoder_options.device_path;
    if (!decoder_quiet())
        std::printf("Scanning %s for entry point.\n", device);
    buffer_ptr area(read_chunk(SCAN_BASE, SCAN_LENGTH, device, true, nullptr));
    if (!area)
        return 1;
    bool found = false, unreadable = false;
    for (std::size_t fp = 0; fp <= SCAN_LENGTH - 16; fp += 16) {
        const std::uint8_t *p = area.get() + fp;
        std::size_t available = SCAN_LENGTH - fp;
        int decoded = 0;
        if (begins_with(p, "_SM3_") && fp <= SCAN_LENGTH - 32) {
            decoded = decode_entry_sm3(p, available, device, WALK_PHYSICAL_SOURCE);
        } else if (begins_with(p, "_SM_") && fp <= SCAN_LENGTH - 32) {
            decoded = decode_entry_sm(p, available, device, WALK_PHYSICAL_SOURCE);
        } else if (begins_with(p, "_DMI_")) {
            decoded = decode_entry_dmi(p, available, device, WALK_PHYSICAL_SOURCE);
        }
        found = found || decoded != 0;
        unreadable = unreadable || decoded < 0;
        // A valid 64-bit or 32-bit entry point spans two paragraphs; the
        // intermediate "_DMI_" anchor of a 32-bit one is part of it.
        if (decoded != 0 && !begins_with(p, "_DMI_"))
            fp += 16;
    }
    if (!found)
        say(NOT_FOUND);
    return unreadable ? 1 : 0;
}

} // namespace

int smbios_access_sequence()
{
    int status = -1;
    if (decoder_options.mode & MODE_FROM_DUMP)
        status = from_dump_file();
    if (status < 0 && !(decoder_options.mode & MODE_NO_SYSFS))
        status = from_sysfs();
    if (status < 0)
        status = from_efi_systab();
    if (status < 0)
        status = from_firmware_table();
    if (status < 0)
        status = scan_memory();
    // The dump replaces its file only after a run that read all of its table
    // and whose output could be written: a failed run never leaves a
    // replaced file. Reported here, the output's fault is not reported again.
    if (dump_pending()) {
        status = standard_output_status(status);
        std::clearerr(stdout);
    }
    if (dump_finish(decoder_options.dump_path, status == 0) != 0)
        return 1;
    return status;
}

bool entry_checksum_ok(const std::uint8_t *bytes, std::size_t length)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; i++)
        sum += bytes[i];
    return (sum & 0xFF) == 0;
}

int decode_entry_sm3(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags)
{
    std::size_t own = entry[0x06];
    if (available < SM3_LAYOUT.fields_end || own < SM3_LAYOUT.shortest || own > available ||
        !entry_checksum_ok(entry, own))
        return 0;
    std::uint16_t version = static_cast<std::uint16_t>(entry[0x07] << 8 | entry[0x08]);
    if (!decoder_quiet())
        std::printf("SMBIOS %u.%u.%u present.\n", entry[0x07], entry[0x08], entry[0x09]);
    if (walk_structure_table(qword_at(entry + 0x10), dword_at(entry + 0x0C), 0, version, source,
                             flags | WALK_STOP_AT_END) != 0)
        return -1;
    if (decoder_options.mode & MODE_DUMP_BIN)
        dump_entry_point(entry, available, own, own, SM3_LAYOUT);
    return 1;
}

int decode_entry_sm(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags)
{
    std::size_t own = entry[0x05];
    if (available < SM_LAYOUT.fields_end || own < SM_LAYOUT.shortest || own > available ||
        !entry_checksum_ok(entry, own) || !begins_with(entry + 0x10, "_DMI_") ||
        !entry_checksum_ok(entry + 0x10, 15))
        return 0;
    unsigned major = entry[0x06], minor = entry[0x07];
    // Versions some firmware announces in place of the one it implements.
    struct fixup {
        unsigned stored, used;
    };
    constexpr std::array<fixup, 3> fixups = {{{31, 3}, {33, 3}, {51, 6}}};
    for (const fixup &f : fixups) {
        if (major == 2 && minor == f.stored) {
            if (!decoder_quiet())
                std::printf("SMBIOS version fixup (2.%d -> 2.%d).\n", static_cast<int>(f.stored),
                            static_cast<int>(f.used));
            minor = f.used;
            break;
        }
    }
    if (!decoder_quiet())
        std::printf("SMBIOS %u.%u present.\n", major, minor);
    if (walk_structure_table(dword_at(entry + 0x18), word_at(entry + 0x16), word_at(entry + 0x1C),
                             static_cast<std::uint16_t>(major << 8 | minor), source, flags) != 0)
        return -1;
    if (decoder_options.mode & MODE_DUMP_BIN)
        dump_entry_point(entry, available, own, 0x10 + 15, SM_LAYOUT);
    return 1;
}

int decode_entry_dmi(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags)
{
    if (available < DMI_LAYOUT.fields_end || !entry_checksum_ok(entry, DMI_LAYOUT.shortest))
        return 0;
    unsigned major = entry[0x0E] >> 4, minor = entry[0x0E] & 0x0F;
    if (!decoder_quiet())
        std::printf("Legacy DMI %u.%u present.\n", major, minor);
    if (walk_structure_table(dword_at(entry + 0x08), word_at(entry + 0x06), word_at(entry + 0x0C),
                             static_cast<std::uint16_t>(major << 8 | minor), source, flags) != 0)
        return -1;
    if (decoder_options.mode & MODE_DUMP_BIN)
        dump_entry_point(entry, available, 15, 15, DMI_LAYOUT);
    return 1;
}

std::uint32_t count_structures(const std::uint8_t *table, std::uint32_t length)
{
    std::uint32_t count = 0;
    std::size_t p = 0;
    // A structure needs at least its type and length bytes to be counted.
    while (p + 2 <= length) {
        p += table[p + 1];
        count++;
        while (p + 1 < length && !(table[p] == 0 && table[p + 1] == 0))
            p++;
        p += 2;
    }
    return count;
}
