#include "smbios/memory_server_fixture.h"

#include "smbios/table_builder.h"

#include <cstdio>

namespace {

std::string format(const char *fmt, auto... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

struct cache_level {
    const char *name;
    std::uint16_t config, kb;
    std::uint8_t ecc, system, associativity;
    const char *ecc_name, *system_name, *associativity_name;
};

constexpr cache_level cache_levels[] = {
    {"L1-Cache", 0x0180, 768, 0x04, 0x04, 0x04, "Parity", "Data", "2-way Set-associative"},
    {"L2-Cache", 0x0181, 6144, 0x06, 0x05, 0x08, "Multi-bit ECC", "Unified", "16-way Set-associative"},
    {"L3-Cache", 0x0182, 12288, 0x06, 0x05, 0x0D, "Multi-bit ECC", "Unified", "64-way Set-associative"},
};

void add_caches(std::vector<memory_server_structure> &out)
{
    for (int socket = 0; socket < 4; socket++) {
        for (int level = 0; level < 3; level++) {
            const cache_level &c = cache_levels[level];
            std::uint16_t handle = static_cast<std::uint16_t>(0x0700 + socket * 3 + level);
            bytes b = {1};
            put_word(b, c.config);
            put_word(b, c.kb); // maximum
            put_word(b, c.kb); // installed
            put_word(b, 0x0010);
            put_word(b, 0x0010);
            b.insert(b.end(), {0, c.ecc, c.system, c.associativity});
            std::string text = format("Cache Information\n"
                                      "\tSocket Designation: %s\n"
                                      "\tConfiguration: Enabled, Not Socketed, Level %d\n"
                                      "\tOperational Mode: Write Back\n"
                                      "\tLocation: Internal\n"
                                      "\tInstalled Size: %u kB\n"
                                      "\tMaximum Size: %u kB\n"
                                      "\tSupported SRAM Types:\n"
                                      "\t\tPipeline Burst\n"
                                      "\tInstalled SRAM Type: Pipeline Burst\n"
                                      "\tSpeed: Unknown\n"
                                      "\tError Correction Type: %s\n"
                                      "\tSystem Type: %s\n"
                                      "\tAssociativity: %s\n\n",
                                      c.name, level + 1, c.kb, c.kb, c.ecc_name, c.system_name,
                                      c.associativity_name);
            out.push_back({7, handle, structure(7, handle, b, {c.name}), text});
        }
    }
}

struct connector {
    const char *internal;
    std::uint8_t internal_type;
    const char *external;
    std::uint8_t external_type, port;
    const char *lines; // connector and port type lines
};

constexpr connector connectors[] = {
    {"JUSB1", 0x00, "USB0/1", 0x12, 0x10,
     "\tInternal Connector Type: None\n\tExternal Reference Designator: USB0/1\n"
     "\tExternal Connector Type: Access Bus (USB)\n\tPort Type: USB\n"},
    {nullptr, 0x00, "COM1", 0x08, 0x09,
     "\tInternal Connector Type: None\n\tExternal Reference Designator: COM1\n"
     "\tExternal Connector Type: DB-9 male\n\tPort Type: Serial Port 16550A Compatible\n"},
    {"JLAN1", 0x00, "LAN1", 0x0B, 0x1F,
     "\tInternal Connector Type: None\n\tExternal Reference Designator: LAN1\n"
     "\tExternal Connector Type: RJ-45\n\tPort Type: Network Port\n"},
    {"I-SATA0", 0x22, nullptr, 0x00, 0x20,
     "\tInternal Connector Type: SAS/SATA Plug Receptacle\n\tExternal Reference Designator: Not Specified\n"
     "\tExternal Connector Type: None\n\tPort Type: SATA\n"},
    {"JKM1", 0x00, "Keyboard", 0x0F, 0x0D,
     "\tInternal Connector Type: None\n\tExternal Reference Designator: Keyboard\n"
     "\tExternal Connector Type: PS/2\n\tPort Type: Keyboard Port\n"},
};

void add_connectors(std::vector<memory_server_structure> &out)
{
    std::uint16_t handle = 0x0800;
    for (const connector &c : connectors) {
        std::vector<std::string> strings;
        std::uint8_t internal = 0, external = 0;
        if (c.internal) {
            strings.push_back(c.internal);
            internal = static_cast<std::uint8_t>(strings.size());
        }
        if (c.external) {
            strings.push_back(c.external);
            external = static_cast<std::uint8_t>(strings.size());
        }
        bytes b = {internal, c.internal_type, external, c.external_type, c.port};
        std::string text = std::string("Port Connector Information\n\tInternal Reference Designator: ") +
                           (c.internal ? c.internal : "Not Specified") + "\n" + c.lines + "\n";
        out.push_back({8, handle, structure(8, handle, b, strings), text});
        handle++;
    }
}

struct slot {
    const char *name;
    std::uint8_t type, width, usage, id, c1, c2;
    std::uint16_t segment;
    std::uint8_t bus, devfn;
    const char *lines; // from the type line to the end
};

constexpr slot slots[] = {
    {"SLOT1 PCI-E 2.0 X16", 0xB0, 0x0D, 0x04, 1, 0x04, 0x01, 0x0000, 0x04, 0x00,
     "\tType: x16 PCI Express 2 x16\n\tCurrent Usage: In Use\n\tLength: Long\n\tID: 1\n"
     "\tCharacteristics:\n\t\t3.3 V is provided\n\t\tPME signal is supported\n"
     "\tBus Address: 0000:04:00.0\n"},
    {"SLOT2 PCI-E 2.0 X8", 0xAF, 0x0B, 0x03, 2, 0x04, 0x03, 0xFFFF, 0xFF, 0xFF,
     "\tType: x8 PCI Express 2 x8\n\tCurrent Usage: Available\n\tLength: Long\n\tID: 2\n"
     "\tCharacteristics:\n\t\t3.3 V is provided\n\t\tPME signal is supported\n"
     "\t\tHot-plug devices are supported\n"},
    {"SLOT3 PCI-E 2.0 X8 (IN X16)", 0xB0, 0x0B, 0x04, 3, 0x04, 0x01, 0x0000, 0x83, 0x00,
     "\tType: x8 PCI Express 2 x16\n\tCurrent Usage: In Use\n\tLength: Long\n\tID: 3\n"
     "\tCharacteristics:\n\t\t3.3 V is provided\n\t\tPME signal is supported\n"
     "\tBus Address: 0000:83:00.0\n"},
    {"SLOT4 PCI 33MHz", 0x06, 0x05, 0x03, 4, 0x0C, 0x00, 0x0000, 0x01, 0x0B,
     "\tType: 32-bit PCI\n\tCurrent Usage: Available\n\tLength: Long\n\tID: 4\n"
     "\tCharacteristics:\n\t\t3.3 V is provided\n\t\tOpening is shared\n"
     "\tBus Address: 0000:01:01.3\n"},
};

void add_slots(std::vector<memory_server_structure> &out)
{
    std::uint16_t handle = 0x0900;
    for (const slot &s : slots) {
        bytes b = {1, s.type, s.width, s.usage, 0x04, s.id, 0, s.c1, s.c2};
        put_word(b, s.segment);
        b.insert(b.end(), {s.bus, s.devfn});
        std::string text = std::string("System Slot Information\n\tDesignation: ") + s.name + "\n" + s.lines + "\n";
        out.push_back({9, handle, structure(9, handle, b, {s.name}), text});
        handle++;
    }
}

void add_memory(std::vector<memory_server_structure> &out)
{
    for (int socket = 0; socket < 4; socket++) {
        std::uint16_t array = static_cast<std::uint16_t>(0x1000 + socket * 0x10);
        bytes a = {0x03, 0x03, 0x05};
        put_dword(a, 0x08000000); // 128 GB
        put_word(a, 0xFFFE);
        put_word(a, 8);
        put_qword(a, 0);
        out.push_back({16, array, structure(16, array, a),
                       "Physical Memory Array\n"
                       "\tLocation: System Board Or Motherboard\n"
                       "\tUse: System Memory\n"
                       "\tError Correction Type: Single-bit ECC\n"
                       "\tMaximum Capacity: 128 GB\n"
                       "\tError Information Handle: Not Provided\n"
                       "\tNumber Of Devices: 8\n\n"});

        for (int slot = 0; slot < 8; slot++) {
            std::uint16_t handle = static_cast<std::uint16_t>(array + 1 + slot);
            bool fitted = slot % 2 == 0;
            // The first DIMM of each socket is a 16 GB one: sizes up to 32 GB
            // still fit the plain size field.
            std::uint16_t mb = !fitted ? 0 : slot == 0 ? 16384 : 8192;
            std::string locator = format("P%d_DIMM%c%d", socket + 1, 'A' + slot / 2, slot % 2 + 1);
            std::string serial = format("%08X", 0x1A2B3C00u + socket * 8 + slot);
            bytes d;
            put_word(d, array);
            put_word(d, 0xFFFE);
            put_word(d, 72);
            put_word(d, 64);
            put_word(d, mb);
            d.insert(d.end(), {0x09, 0x00, 1, 2, static_cast<std::uint8_t>(fitted ? 0x18 : 0x02)});
            put_word(d, fitted ? 0x2080 : 0x0004);
            put_word(d, fitted ? 1333 : 0);
            d.insert(d.end(), {3, 4, 5, 6, static_cast<std::uint8_t>(fitted ? 2 : 0)});
            put_dword(d, 0);
            put_word(d, fitted ? 1333 : 0);
            put_word(d, fitted ? 1350 : 0);
            put_word(d, fitted ? 1500 : 0);
            put_word(d, fitted ? 1350 : 0);
            std::vector<std::string> strings = {locator, format("NODE%d", socket)};
            if (fitted)
                strings.insert(strings.end(), {"Samsung", serial, locator + "_AssetTag", "M393B1K70DH0-CH9"});
            else
                strings.insert(strings.end(), {"NO DIMM", "NO DIMM", "NO DIMM", "NO DIMM"});

            std::string text = format("Memory Device\n"
                                      "\tArray Handle: 0x%04X\n"
                                      "\tError Information Handle: Not Provided\n"
                                      "\tTotal Width: 72 bits\n"
                                      "\tData Width: 64 bits\n",
                                      array);
            text += fitted ? format("\tSize: %u MB\n", mb) : "\tSize: No Module Installed\n";
            text += "\tForm Factor: DIMM\n\tSet: None\n";
            text += format("\tLocator: %s\n\tBank Locator: NODE%d\n", locator.c_str(), socket);
            if (fitted)
                text += format("\tType: DDR3\n"
                               "\tType Detail: Synchronous Registered (Buffered)\n"
                               "\tSpeed: 1333 MHz\n"
                               "\tManufacturer: Samsung\n"
                               "\tSerial Number: %s\n"
                               "\tAsset Tag: %s_AssetTag\n"
                               "\tPart Number: M393B1K70DH0-CH9\n"
                               "\tRank: 2\n"
                               "\tConfigured Clock Speed: 1333 MHz\n"
                               "\tMinimum Voltage: 1.35 V\n"
                               "\tMaximum Voltage: 1.5 V\n"
                               "\tConfigured Voltage: 1.35 V\n\n",
                               serial.c_str(), locator.c_str());
            else
                text += "\tType: Unknown\n"
                        "\tType Detail: Unknown\n"
                        "\tSpeed: Unknown\n"
                        "\tManufacturer: NO DIMM\n"
                        "\tSerial Number: NO DIMM\n"
                        "\tAsset Tag: NO DIMM\n"
                        "\tPart Number: NO DIMM\n"
                        "\tRank: Unknown\n"
                        "\tConfigured Clock Speed: Unknown\n"
                        "\tMinimum Voltage: Unknown\n"
                        "\tMaximum Voltage: Unknown\n"
                        "\tConfigured Voltage: Unknown\n\n";
            out.push_back({17, handle, structure(17, handle, d, strings), text});
        }
    }
}

} // namespace

std::vector<memory_server_structure> memory_server_structures()
{
    std::vector<memory_server_structure> out;
    add_caches(out);
    add_connectors(out);
    add_slots(out);
    add_memory(out);
    return out;
}
