// The mapping, IPMI, power supply, probe and boot structures of a four-socket
// server, read from a dump file by kelb-dmi and checked line by line with and
// without quiet mode.
#include "smbios/field_builder.h"
#include "smbios/fixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Characteristics of a present, OK, auto-switching, hot-replaceable switching supply.
constexpr std::uint16_t PSU_CHARACTERISTICS = (4 << 10) | (3 << 7) | (4 << 3) | 0x02 | 0x01;

std::vector<bytes> server_structures()
{
    return {
        build_structure(19, 15, {{0x04, 4, 0}, {0x08, 4, 0x33FFFF}, {0x0C, 2, 0x0026}, {0x0E, 1, 8}}, {}, 0x0030),
        build_structure(19, 15, {{0x04, 4, 0x400000}, {0x08, 4, 0x43FFFFF}, {0x0C, 2, 0x0026}, {0x0E, 1, 8}}, {},
                        0x0031),
        build_structure(20, 19, {{0x04, 4, 0}, {0x08, 4, 0x1FFFFF}, {0x0C, 2, 0x0028}, {0x0E, 2, 0x0030},
                                 {0x10, 1, 1}, {0x11, 1, 1}, {0x12, 1, 2}},
                        {}, 0x0040),
        build_structure(20, 35, {{0x04, 4, 0xFFFFFFFF}, {0x08, 4, 0xFFFFFFFF}, {0x0C, 2, 0x0029}, {0x0E, 2, 0x0031},
                                 {0x10, 1, 0xFF}, {0x13, 8, 0x0000001000000000}, {0x1B, 8, 0x00000013FFFFFFFF}},
                        {}, 0x0041),
        build_structure(38, 18, {{0x04, 1, 1}, {0x05, 1, 0x20}, {0x06, 1, 0x20}, {0x07, 1, 0xFF}, {0x08, 8, 0xCA3}},
                        {}, 0x0050),
        build_structure(39, 22, {{0x04, 1, 1}, {0x05, 1, 1}, {0x06, 1, 2}, {0x07, 1, 3}, {0x08, 1, 4}, {0x09, 1, 5},
                                 {0x0A, 1, 6}, {0x0B, 1, 7}, {0x0C, 2, 1400}, {0x0E, 2, PSU_CHARACTERISTICS},
                                 {0x10, 2, 0x0060}, {0x12, 2, 0x0061}, {0x14, 2, 0x0062}},
                        {"PSU1", "PWS-1K41P-1R", "Supermicro", "P1K41AB12345", "To Be Filled By O.E.M.",
                         "PWS-1K41P-1R", "1.3"},
                        0x0058),
        build_structure(26, 22, {{0x04, 1, 1}, {0x05, 1, 0x6A}, {0x06, 2, 12600}, {0x08, 2, 11400},
                                 {0x0A, 2, 0x8000}, {0x0C, 2, 0x8000}, {0x0E, 2, 0x8000}, {0x14, 2, 12000}},
                        {"PSU1 12V"}, 0x0060),
        build_structure(27, 15, {{0x04, 2, 0x0063}, {0x06, 1, 0x67}, {0x07, 1, 1}, {0x0C, 2, 6000}, {0x0E, 1, 1}},
                        {"PSU1 Fan"}, 0x0061),
        build_structure(29, 22, {{0x04, 1, 1}, {0x05, 1, 0x6A}, {0x06, 2, 12000}, {0x08, 2, 0x8000}, {0x0A, 2, 100},
                                 {0x0C, 2, 0x8000}, {0x0E, 2, 200}, {0x14, 2, 5500}},
                        {"PSU1 Input Current"}, 0x0062),
        build_structure(28, 22, {{0x04, 1, 1}, {0x05, 1, 0x63}, {0x06, 2, 950}, {0x08, 2, 0}, {0x0A, 2, 500},
                                 {0x0C, 2, 0x8000}, {0x0E, 2, 0x8000}, {0x14, 2, 0x8000}},
                        {"CPU1 Temp"}, 0x0063),
        build_structure(32, 20, {{0x0A, 1, 0}}, {}, 0x0070),
        build_structure(127, 4, {}, {}, 0xFFFF),
    };
}

// Lines printed only outside quiet mode are marked with a leading '!'. Quiet
// mode also leaves out the handle lines and the end-of-table structure.
const char *const server_text[] = {
    "!Handle 0x0030, DMI type 19, 15 bytes",
    "Memory Array Mapped Address",
    "\tStarting Address: 0x00000000000",
    "\tEnding Address: 0x000CFFFFFFF",
    "\tRange Size: 3328 MB",
    "!\tPhysical Array Handle: 0x0026",
    "\tPartition Width: 8",
    "",
    "!Handle 0x0031, DMI type 19, 15 bytes",
    "Memory Array Mapped Address",
    "\tStarting Address: 0x00100000000",
    "\tEnding Address: 0x010FFFFFFFF",
    "\tRange Size: 64 GB",
    "!\tPhysical Array Handle: 0x0026",
    "\tPartition Width: 8",
    "",
    "!Handle 0x0040, DMI type 20, 19 bytes",
    "Memory Device Mapped Address",
    "\tStarting Address: 0x00000000000",
    "\tEnding Address: 0x0007FFFFFFF",
    "\tRange Size: 2 GB",
    "!\tPhysical Device Handle: 0x0028",
    "!\tMemory Array Mapped Address Handle: 0x0030",
    "\tPartition Row Position: 1",
    "\tInterleave Position: 1",
    "\tInterleaved Data Depth: 2",
    "",
    "!Handle 0x0041, DMI type 20, 35 bytes",
    "Memory Device Mapped Address",
    "\tStarting Address: 0x0000001000000000",
    "\tEnding Address: 0x00000013FFFFFFFF",
    "\tRange Size: 16 GB",
    "!\tPhysical Device Handle: 0x0029",
    "!\tMemory Array Mapped Address Handle: 0x0031",
    "\tPartition Row Position: Unknown",
    "",
    "!Handle 0x0050, DMI type 38, 18 bytes",
    "IPMI Device Information",
    "\tInterface Type: KCS (Keyboard Control Style)",
    "\tSpecification Version: 2.0",
    "\tI2C Slave Address: 0x10",
    "\tNV Storage Device: Not Present",
    "\tBase Address: 0x0000000000000CA2 (I/O)",
    "\tRegister Spacing: Successive Byte Boundaries",
    "",
    "!Handle 0x0058, DMI type 39, 22 bytes",
    "System Power Supply",
    "\tPower Unit Group: 1",
    "\tLocation: PSU1",
    "\tName: PWS-1K41P-1R",
    "\tManufacturer: Supermicro",
    "\tSerial Number: P1K41AB12345",
    "\tAsset Tag: To Be Filled By O.E.M.",
    "\tModel Part Number: PWS-1K41P-1R",
    "\tRevision: 1.3",
    "\tMax Power Capacity: 1400 W",
    "\tStatus: Present, OK",
    "\tType: Switching",
    "\tInput Voltage Range Switching: Auto-switch",
    "\tPlugged: Yes",
    "\tHot Replaceable: Yes",
    "!\tInput Voltage Probe Handle: 0x0060",
    "!\tCooling Device Handle: 0x0061",
    "!\tInput Current Probe Handle: 0x0062",
    "",
    "!Handle 0x0060, DMI type 26, 22 bytes",
    "Voltage Probe",
    "\tDescription: PSU1 12V",
    "\tLocation: Power Unit",
    "\tStatus: OK",
    "\tMaximum Value: 12.600 V",
    "\tMinimum Value: 11.400 V",
    "\tResolution: Unknown",
    "\tTolerance: Unknown",
    "\tAccuracy: Unknown",
    "\tOEM-specific Information: 0x00000000",
    "\tNominal Value: 12.000 V",
    "",
    "!Handle 0x0061, DMI type 27, 15 bytes",
    "Cooling Device",
    "!\tTemperature Probe Handle: 0x0063",
    "\tType: Power Supply Fan",
    "\tStatus: OK",
    "\tCooling Unit Group: 1",
    "\tOEM-specific Information: 0x00000000",
    "\tNominal Speed: 6000 rpm",
    "\tDescription: PSU1 Fan",
    "",
    "!Handle 0x0062, DMI type 29, 22 bytes",
    "Electrical Current Probe",
    "\tDescription: PSU1 Input Current",
    "\tLocation: Power Unit",
    "\tStatus: OK",
    "\tMaximum Value: 12.000 A",
    "\tMinimum Value: Unknown",
    "\tResolution: 10.0 mA",
    "\tTolerance: Unknown",
    "\tAccuracy: 2.00%",
    "\tOEM-specific Information: 0x00000000",
    "\tNominal Value: 5.500 A",
    "",
    "!Handle 0x0063, DMI type 28, 22 bytes",
    "Temperature Probe",
    "\tDescription: CPU1 Temp",
    "\tLocation: Processor",
    "\tStatus: OK",
    "\tMaximum Value: 95.0 deg C",
    "\tMinimum Value: 0.0 deg C",
    "\tResolution: 0.500 deg C",
    "\tTolerance: Unknown",
    "\tAccuracy: Unknown",
    "\tOEM-specific Information: 0x00000000",
    "\tNominal Value: Unknown",
    "",
    "!Handle 0x0070, DMI type 32, 20 bytes",
    "System Boot Information",
    "\tStatus: No errors detected",
    "",
    "!Handle 0xFFFF, DMI type 127, 4 bytes",
    "!End Of Table",
    "!",
};

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void expect_server_text(bool quiet)
{
    bytes table;
    std::uint16_t count = 0;
    for (const bytes &s : server_structures()) {
        table.insert(table.end(), s.begin(), s.end());
        count++;
    }
    scratch_dir dir;
    std::string path = dir.file("server.bin");
    write_file(path, dump_image(entry_sm(32, static_cast<std::uint16_t>(table.size()), count), table));
    std::vector<std::string> args = {"--from-dump", path};
    if (quiet)
        args.insert(args.begin(), "-q");
    run_result r = run_dmi(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");

    std::vector<std::string> expected;
    if (!quiet)
        expected = {"# kelb-dmi 1.0", "Reading SMBIOS/DMI data from file " + path + ".", "SMBIOS 2.7 present.",
                    std::to_string(count) + " structures occupying " + std::to_string(table.size()) + " bytes.",
                    ""};
    for (const char *line : server_text) {
        if (line[0] != '!')
            expected.emplace_back(line);
        else if (!quiet)
            expected.emplace_back(line + 1);
    }
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), '\n');
    std::vector<std::string> actual = split_lines(r.out);
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); i++)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(actual.size(), expected.size());
}

} // namespace

TEST(ServerTable, FullText) { expect_server_text(false); }

TEST(ServerTable, QuietText) { expect_server_text(true); }
