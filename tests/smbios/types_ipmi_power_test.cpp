// IPMI device, power supply, additional information, onboard device, host
// interface, inactive and end-of-table structures (types 38 to 42, 126, 127).
#include "smbios/field_builder.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

TEST(IpmiDevice, BaseAddressAndRegisterSpacing)
{
    expect_golden({
        {"KCS with interrupt and address bit from the modifier",
         build_structure(38, 18, {{0x04, 1, 1}, {0x05, 1, 0x20}, {0x06, 1, 0x20}, {0x07, 1, 0xFF},
                                  {0x08, 8, 0xCA3}, {0x10, 1, 0x1A}, {0x11, 1, 0x0A}}),
         0,
         "IPMI Device Information\n"
         "\tInterface Type: KCS (Keyboard Control Style)\n"
         "\tSpecification Version: 2.0\n"
         "\tI2C Slave Address: 0x10\n"
         "\tNV Storage Device: Not Present\n"
         "\tBase Address: 0x0000000000000CA3 (I/O)\n"
         "\tRegister Spacing: Successive Byte Boundaries\n"
         "\tInterrupt Polarity: Active High\n"
         "\tInterrupt Trigger Mode: Edge\n"
         "\tInterrupt Number: a\n"
         "\n"},
        {"length 16 has no modifier byte",
         build_structure(38, 16, {{0x04, 1, 2}, {0x05, 1, 0x15}, {0x06, 1, 0x41}, {0x07, 1, 0x42}, {0x08, 8, 0xCA3}}),
         0,
         "IPMI Device Information\n"
         "\tInterface Type: SMIC (Server Management Interface Chip)\n"
         "\tSpecification Version: 1.5\n"
         "\tI2C Slave Address: 0x20\n"
         "\tNV Storage Device Address: 66\n"
         "\tBase Address: 0x0000000000000CA2 (I/O)\n"
         "\n"},
        {"length 17 takes the address bit but no further lines",
         build_structure(38, 17, {{0x04, 1, 3}, {0x05, 1, 0x10}, {0x07, 1, 0}, {0x08, 8, 0x00000001FED40000},
                                  {0x10, 1, 0xD8}}),
         0,
         "IPMI Device Information\n"
         "\tInterface Type: BT (Block Transfer)\n"
         "\tSpecification Version: 1.0\n"
         "\tI2C Slave Address: 0x00\n"
         "\tNV Storage Device Address: 0\n"
         "\tBase Address: 0x00000001FED40001 (Memory-mapped)\n"
         "\n"},
        {"BT, spacing beyond the table, level-triggered active low",
         build_structure(38, 18, {{0x04, 1, 3}, {0x05, 1, 0x20}, {0x07, 1, 0xFF}, {0x08, 8, 0xE4}, {0x10, 1, 0xC9}}),
         0,
         "IPMI Device Information\n"
         "\tInterface Type: BT (Block Transfer)\n"
         "\tSpecification Version: 2.0\n"
         "\tI2C Slave Address: 0x00\n"
         "\tNV Storage Device: Not Present\n"
         "\tBase Address: 0x00000000000000E4 (Memory-mapped)\n"
         "\tRegister Spacing: <OUT OF SPEC>\n"
         "\tInterrupt Polarity: Active Low\n"
         "\tInterrupt Trigger Mode: Level\n"
         "\n"},
        {"spacings without interrupt information",
         build_structure(38, 18, {{0x04, 1, 0}, {0x07, 1, 0xFF}, {0x10, 1, 0x87}, {0x11, 1, 0x10}}), 0,
         "IPMI Device Information\n"
         "\tInterface Type: Unknown\n"
         "\tSpecification Version: 0.0\n"
         "\tI2C Slave Address: 0x00\n"
         "\tNV Storage Device: Not Present\n"
         "\tBase Address: 0x0000000000000000 (Memory-mapped)\n"
         "\tRegister Spacing: 16-byte Boundaries\n"
         "\tInterrupt Number: 10\n"
         "\n"},
        {"32-bit spacing, type beyond the table",
         build_structure(38, 18, {{0x04, 1, 5}, {0x07, 1, 0xFF}, {0x08, 8, 0xFFFFFFFFFFFFFFFF}, {0x10, 1, 0x40}}), 0,
         "IPMI Device Information\n"
         "\tInterface Type: <OUT OF SPEC>\n"
         "\tSpecification Version: 0.0\n"
         "\tI2C Slave Address: 0x00\n"
         "\tNV Storage Device: Not Present\n"
         "\tBase Address: 0xFFFFFFFFFFFFFFFE (I/O)\n"
         "\tRegister Spacing: 32-bit Boundaries\n"
         "\n"},
        {"SSIF prints an SMBus address and no spacing",
         build_structure(38, 18, {{0x04, 1, 4}, {0x05, 1, 0x20}, {0x06, 1, 0x20}, {0x07, 1, 0xFF},
                                  {0x08, 8, 0xFFFFFF20}, {0x10, 1, 0xCB}, {0x11, 1, 0x1F}}),
         0,
         "IPMI Device Information\n"
         "\tInterface Type: SSIF (SMBus System Interface)\n"
         "\tSpecification Version: 2.0\n"
         "\tI2C Slave Address: 0x10\n"
         "\tNV Storage Device: Not Present\n"
         "\tBase Address: 0x10 (SMBus)\n"
         "\tInterrupt Number: 1f\n"
         "\n"},
        {"below minimum length", build_structure(38, 15, {{0x04, 1, 1}}), 0, "IPMI Device Information\n\n"},
    });
}

TEST(PowerSupply, StatusCharacteristicsAndHandles)
{
    const std::vector<std::string> strings = {"PSU1", "PWS-1K41F", "ACME", "P1234", "1.2"};
    // Switching, OK, auto-switch input, plugged, hot replaceable, present.
    const std::uint16_t characteristics = (4 << 10) | (3 << 7) | (4 << 3) | 0x02 | 0x01;
    expect_golden({
        {"length 22",
         build_structure(39, 22, {{0x04, 1, 1}, {0x05, 1, 1}, {0x06, 1, 2}, {0x07, 1, 3}, {0x08, 1, 4},
                                  {0x0A, 1, 2}, {0x0B, 1, 5}, {0x0C, 2, 1000}, {0x0E, 2, characteristics},
                                  {0x10, 2, 0x0060}, {0x12, 2, 0xFFFF}, {0x14, 2, 0x0062}},
                         strings),
         0,
         "System Power Supply\n"
         "\tPower Unit Group: 1\n"
         "\tLocation: PSU1\n"
         "\tName: PWS-1K41F\n"
         "\tManufacturer: ACME\n"
         "\tSerial Number: P1234\n"
         "\tAsset Tag: Not Specified\n"
         "\tModel Part Number: PWS-1K41F\n"
         "\tRevision: 1.2\n"
         "\tMax Power Capacity: 1000 W\n"
         "\tStatus: Present, OK\n"
         "\tType: Switching\n"
         "\tInput Voltage Range Switching: Auto-switch\n"
         "\tPlugged: Yes\n"
         "\tHot Replaceable: Yes\n"
         "\tInput Voltage Probe Handle: 0x0060\n"
         "\tInput Current Probe Handle: 0x0062\n"
         "\n"},
        {"present with status 0",
         build_structure(39, 16, {{0x0C, 2, 0x8000}, {0x0E, 2, 0x0002}}), 0,
         "System Power Supply\n"
         "\tLocation: Not Specified\n"
         "\tName: Not Specified\n"
         "\tManufacturer: Not Specified\n"
         "\tSerial Number: Not Specified\n"
         "\tAsset Tag: Not Specified\n"
         "\tModel Part Number: Not Specified\n"
         "\tRevision: Not Specified\n"
         "\tMax Power Capacity: Unknown\n"
         "\tStatus: Present, <OUT OF SPEC>\n"
         "\tType: <OUT OF SPEC>\n"
         "\tInput Voltage Range Switching: <OUT OF SPEC>\n"
         "\tPlugged: Yes\n"
         "\tHot Replaceable: No\n"
         "\n"},
        {"not present, unplugged, table ends",
         build_structure(39, 16, {{0x0E, 2, (8 << 10) | (5 << 7) | (6 << 3) | 0x04}}), 0,
         "System Power Supply\n"
         "\tLocation: Not Specified\n"
         "\tName: Not Specified\n"
         "\tManufacturer: Not Specified\n"
         "\tSerial Number: Not Specified\n"
         "\tAsset Tag: Not Specified\n"
         "\tModel Part Number: Not Specified\n"
         "\tRevision: Not Specified\n"
         "\tMax Power Capacity: 0 W\n"
         "\tStatus: Not Present\n"
         "\tType: Regulator\n"
         "\tInput Voltage Range Switching: N/A\n"
         "\tPlugged: No\n"
         "\tHot Replaceable: No\n"
         "\n"},
        {"beyond the tables, quiet drops the handles",
         build_structure(39, 22, {{0x0E, 2, (9 << 10) | (6 << 7) | (7 << 3) | 0x02}, {0x10, 2, 0x0060},
                                  {0x12, 2, 0x0061}, {0x14, 2, 0x0062}}),
         MODE_QUIET,
         "System Power Supply\n"
         "\tLocation: Not Specified\n"
         "\tName: Not Specified\n"
         "\tManufacturer: Not Specified\n"
         "\tSerial Number: Not Specified\n"
         "\tAsset Tag: Not Specified\n"
         "\tModel Part Number: Not Specified\n"
         "\tRevision: Not Specified\n"
         "\tMax Power Capacity: 0 W\n"
         "\tStatus: Present, <OUT OF SPEC>\n"
         "\tType: <OUT OF SPEC>\n"
         "\tInput Voltage Range Switching: <OUT OF SPEC>\n"
         "\tPlugged: Yes\n"
         "\tHot Replaceable: No\n"
         "\n"},
        {"below minimum length", build_structure(39, 15, {{0x04, 1, 1}}), 0, "System Power Supply\n\n"},
    });
}

TEST(AdditionalInformation, EntriesStopAtTheFirstThatDoesNotFit)
{
    bytes three = build_structure(40, 28,
                                  {{0x04, 1, 3},
                                   {0x05, 1, 6}, {0x06, 2, 0x0010}, {0x08, 1, 0x05}, {0x09, 1, 1}, {0x0A, 1, 0x42},
                                   {0x0B, 1, 9}, {0x0C, 2, 0x0011}, {0x0E, 1, 0x0A}, {0x0F, 1, 0}, {0x10, 4, 0x12345},
                                   {0x14, 1, 8}, {0x15, 2, 0x0ABC}, {0x17, 1, 0xFF}, {0x18, 1, 2}, {0x19, 3, 0xFFFFFF}},
                                  {"Speed", "Mode"});
    expect_golden({
        {"three entries of sizes 1, 4 and 3", three, 0,
         "Additional Information 1\n"
         "\tReferenced Handle: 0x0010\n"
         "\tReferenced Offset: 0x05\n"
         "\tString: Speed\n"
         "\tValue: 0x42\n"
         "Additional Information 2\n"
         "\tReferenced Handle: 0x0011\n"
         "\tReferenced Offset: 0x0a\n"
         "\tString: Not Specified\n"
         "\tValue: 0x00012345\n"
         "Additional Information 3\n"
         "\tReferenced Handle: 0x0abc\n"
         "\tReferenced Offset: 0xff\n"
         "\tString: Mode\n"
         "\tValue: Unexpected size\n"
         "\n"},
        {"quiet prints nothing at all", three, MODE_QUIET, ""},
        {"first entry of length 4", build_structure(40, 11, {{0x04, 1, 1}, {0x05, 1, 4}, {0x06, 2, 0x0010}}), 0,
         "Additional Information 1\n\n"},
        {"second entry runs past the end",
         build_structure(40, 14, {{0x04, 1, 2}, {0x05, 1, 7}, {0x06, 2, 0x0020}, {0x08, 1, 0x10}, {0x09, 1, 0},
                                  {0x0A, 2, 0xBEEF}, {0x0C, 1, 10}, {0x0D, 1, 0x55}}),
         0,
         "Additional Information 1\n"
         "\tReferenced Handle: 0x0020\n"
         "\tReferenced Offset: 0x10\n"
         "\tString: Not Specified\n"
         "\tValue: 0xbeef\n"
         "Additional Information 2\n"
         "\n"},
        {"announced entries beyond the end",
         build_structure(40, 11, {{0x04, 1, 3}, {0x05, 1, 6}, {0x06, 2, 0x0030}, {0x08, 1, 4}, {0x09, 1, 7},
                                  {0x0A, 1, 0x99}}),
         0,
         "Additional Information 1\n"
         "\tReferenced Handle: 0x0030\n"
         "\tReferenced Offset: 0x04\n"
         "\tString: <BAD INDEX>\n"
         "\tValue: 0x99\n"
         "Additional Information 2\n"
         "\n"},
        {"no entries", build_structure(40, 11, {{0x04, 1, 0}, {0x05, 1, 6}}), 0, "\n"},
        {"below minimum length", build_structure(40, 10, {{0x04, 1, 1}, {0x05, 1, 5}}), 0, "\n"},
        {"below minimum length, quiet", build_structure(40, 10, {{0x04, 1, 1}, {0x05, 1, 5}}), MODE_QUIET, ""},
    });
}

TEST(OnboardDevice, TypeStatusAndBusAddress)
{
    expect_golden({
        {"enabled Ethernet",
         build_structure(41, 11, {{0x04, 1, 1}, {0x05, 1, 0x85}, {0x06, 1, 1}, {0x07, 2, 0}, {0x09, 1, 3},
                                  {0x0A, 1, 0x00}},
                         {"Onboard LAN"}),
         0,
         "Onboard Device\n\tReference Designation: Onboard LAN\n\tType: Ethernet\n\tStatus: Enabled\n"
         "\tType Instance: 1\n\tBus Address: 0000:03:00.0\n\n"},
        {"function bits", build_structure(41, 11, {{0x05, 1, 0x0A}, {0x07, 2, 0x0001}, {0x09, 1, 0xAB}, {0x0A, 1, 0x1F}}),
         0,
         "Onboard Device\n\tReference Designation: Not Specified\n\tType: SAS Controller\n\tStatus: Disabled\n"
         "\tType Instance: 0\n\tBus Address: 0001:ab:03.7\n\n"},
        {"no bus address, type beyond the table",
         build_structure(41, 11, {{0x05, 1, 0x8B}, {0x06, 1, 2}, {0x07, 2, 0xFFFF}, {0x09, 1, 0xFF}, {0x0A, 1, 0xFF}}),
         0,
         "Onboard Device\n\tReference Designation: Not Specified\n\tType: <OUT OF SPEC>\n\tStatus: Enabled\n"
         "\tType Instance: 2\n\n"},
        {"below minimum length", build_structure(41, 10, {{0x05, 1, 0x85}}), 0, "Onboard Device\n\n"},
    });
}

TEST(HostInterface, InterfaceTypeAndVendor)
{
    expect_golden({
        {"OEM with vendor", build_structure(42, 9, {{0x04, 1, 0xF0}, {0x05, 4, 0x78563412}}), 0,
         "Management Controller Host Interface\n\tInterface Type: OEM\n\tVendor ID: 0x12345678\n\n"},
        {"OEM without room for a vendor", build_structure(42, 8, {{0x04, 1, 0xF0}, {0x05, 3, 0x563412}}), 0,
         "Management Controller Host Interface\n\tInterface Type: OEM\n\n"},
        {"KCS with data", build_structure(42, 9, {{0x04, 1, 0x02}, {0x05, 4, 0x78563412}}), 0,
         "Management Controller Host Interface\n\tInterface Type: KCS: Keyboard Controller Style\n\n"},
        {"last UART", build_structure(42, 5, {{0x04, 1, 0x08}}), 0,
         "Management Controller Host Interface\n\tInterface Type: 16850/16850A UART Register Compatible\n\n"},
        {"beyond the ranges", build_structure(42, 5, {{0x04, 1, 0x09}}), 0,
         "Management Controller Host Interface\n\tInterface Type: <OUT OF SPEC>\n\n"},
        {"below the first", build_structure(42, 5, {{0x04, 1, 0x01}}), 0,
         "Management Controller Host Interface\n\tInterface Type: <OUT OF SPEC>\n\n"},
        {"below minimum length", build_structure(42, 4, {}), 0, "Management Controller Host Interface\n\n"},
    });
}

TEST(TableMarkers, InactiveAndEndOfTable)
{
    expect_golden({
        {"inactive", build_structure(126, 8, {{0x04, 4, 0xFFFFFFFF}}), 0, "Inactive\n\n"},
        {"end of table", build_structure(127, 4, {}), 0, "End Of Table\n\n"},
        {"end of table, quiet", build_structure(127, 4, {}), MODE_QUIET, "End Of Table\n\n"},
    });
}
