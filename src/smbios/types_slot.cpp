// System slots (9) and on-board devices (10).
#include "smbios/types_slot.h"
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

// Each prefix carries its own trailing blank, so that it runs straight into
// the slot type name.
constexpr names_from slot_widths{0x01, // 0x01..0x0E
    "", "", "8-bit ", "16-bit ", "32-bit ", "64-bit ", "128-bit ", "x1 ", "x2 ", "x4 ", "x8 ",
    "x12 ", "x16 ", "x32 "};

constexpr names_from slot_types{0x01, // 0x01..0x20
    "Other", "Unknown", "ISA", "MCA", "EISA", "PCI", "PC Card (PCMCIA)", "VLB", "Proprietary",
    "Processor Card", "Proprietary Memory Card", "I/O Riser Card", "NuBus", "PCI-66", "AGP",
    "AGP 2x", "AGP 4x", "PCI-X", "AGP 8x", "M.2 Socket 1-DP", "M.2 Socket 1-SD", "M.2 Socket 2",
    "M.2 Socket 3", "MXM Type I", "MXM Type II", "MXM Type III", "MXM Type III-HE",
    "MXM Type IV", "MXM 3.0 Type A", "MXM 3.0 Type B", "PCI Express 2 SFF-8639",
    "PCI Express 3 SFF-8639"};

constexpr names_from slot_types_pc98_pcie{0xA0, // 0xA0..0xB6
    "PC-98/C20", "PC-98/C24", "PC-98/E", "PC-98/Local Bus", "PC-98/Card", "PCI Express",
    "PCI Express x1", "PCI Express x2", "PCI Express x4", "PCI Express x8", "PCI Express x16",
    "PCI Express 2", "PCI Express 2 x1", "PCI Express 2 x2", "PCI Express 2 x4",
    "PCI Express 2 x8", "PCI Express 2 x16", "PCI Express 3", "PCI Express 3 x1",
    "PCI Express 3 x2", "PCI Express 3 x4", "PCI Express 3 x8", "PCI Express 3 x16"};

constexpr names_from slot_usages{0x01, // 0x01..0x04
    "Other", "Unknown", "Available", "In Use"};

constexpr names_from slot_lengths{0x01, // 0x01..0x04
    "Other", "Unknown", "Short", "Long"};

constexpr names_from slot_features_1{0x01, // bits 1..7 of characteristics 1
    "5.0 V is provided", "3.3 V is provided", "Opening is shared", "PC Card-16 is supported",
    "Cardbus is supported", "Zoom Video is supported", "Modem ring resume is supported"};

constexpr names_from slot_features_2{0, // bits 0..2 of characteristics 2
    "PME signal is supported", "Hot-plug devices are supported", "SMBus signal is supported"};

constexpr names_from on_board_device_types{0x01, // 0x01..0x0A
    "Other", "Unknown", "Video", "SCSI Controller", "Ethernet", "Token Ring", "Sound",
    "PATA Controller", "SATA Controller", "SAS Controller"};

constexpr name_run slot_type_runs[] = {slot_types, slot_types_pc98_pcie};

enum class slot_id { none, number, pcmcia };

// Which slot types carry a slot number, and PC Card's adapter and socket pair.
slot_id slot_id_kind(std::uint8_t type)
{
    if (type == 0x07)
        return slot_id::pcmcia;
    if ((type >= 0x04 && type <= 0x06) || (type >= 0x0E && type <= 0x13) ||
        (type >= 0x1F && type <= 0x20) || (type >= 0xA5 && type <= 0xB6))
        return slot_id::number;
    return slot_id::none;
}

void print_slot_characteristics(std::uint8_t c1, std::uint8_t c2)
{
    if (c1 & 0x01) {
        std::printf(" Unknown\n");
        return;
    }
    if (c1 == 0 && (c2 & 0x07) == 0) {
        std::printf(" None\n");
        return;
    }
    std::printf("\n");
    print_bit_list(c1, slot_features_1);
    print_bit_list(c2, slot_features_2);
}

} // namespace

const char *on_board_device_type_name(std::uint8_t value)
{
    return name_of(on_board_device_types, value);
}

void decode_system_slot(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::printf("\tDesignation: %s\n", string_at(s, 0x04));
    std::printf("\tType: %s%s\n", name_of(slot_widths, d[0x06]), name_of(slot_type_runs, d[0x05]));
    std::printf("\tCurrent Usage: %s\n", name_of(slot_usages, d[0x07]));
    std::printf("\tLength: %s\n", name_of(slot_lengths, d[0x08]));
    switch (slot_id_kind(d[0x05])) {
    case slot_id::number:
        std::printf("%sID: %u\n", "\t", d[0x09]);
        break;
    case slot_id::pcmcia:
        std::printf("%sID: Adapter %u, Socket %u\n", "\t", d[0x09], d[0x0A]);
        break;
    case slot_id::none:
        break;
    }
    std::printf("\tCharacteristics:");
    print_slot_characteristics(d[0x0B], s.length > 12 ? d[0x0C] : 0);
    if (s.length < 17)
        return;
    print_bus_address(word_at(d + 0x0D), d[0x0F], d[0x10]);
}

void decode_on_board_devices(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    unsigned count = (s.length - 4u) / 2;
    for (unsigned i = 1; i <= count; i++) {
        const std::uint8_t *dev = d + 0x04 + 2 * (i - 1);
        if (count == 1)
            std::printf("%sOn Board Device Information\n", "");
        else
            std::printf("%sOn Board Device %d Information\n", "", static_cast<int>(i));
        std::printf("%s\tType: %s\n", "", on_board_device_type_name(dev[0] & 0x7F));
        std::printf("%s\tStatus: %s\n", "", dev[0] & 0x80 ? "Enabled" : "Disabled");
        std::printf("%s\tDescription: %s\n", "", structure_string(s, dev[1]));
    }
}
