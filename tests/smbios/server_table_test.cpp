// The mapping, IPMI, power supply, probe and boot structures of a four-socket
// server, decoded one after the other as the walk hands them over, checked
// line by line with and without quiet mode.
#include "smbios/field_builder.h"

#include "smbios/options.h"

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

// Lines printed only outside quiet mode are marked with a leading '!'.
const char *const server_text[] = {
    "Memory Array Mapped Address",
    "\tStarting Address: 0x00000000000",
    "\tEnding Address: 0x000CFFFFFFF",
    "\tRange Size: 3328 MB",
    "!\tPhysical Array Handle: 0x0026",
    "\tPartition Width: 8",
    "",
    "Memory Array Mapped Address",
    "\tStarting Address: 0x00100000000",
    "\tEnding Address: 0x010FFFFFFFF",
    "\tRange Size: 64 GB",
    "!\tPhysical Array Handle: 0x0026",
    "\tPartition Width: 8",
    "",
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
    "Memory Device Mapped Address",
    "\tStarting Address: 0x0000001000000000",
    "\tEnding Address: 0x00000013FFFFFFFF",
    "\tRange Size: 16 GB",
    "!\tPhysical Device Handle: 0x0029",
    "!\tMemory Array Mapped Address Handle: 0x0031",
    "\tPartition Row Position: Unknown",
    "",
    "IPMI Device Information",
    "\tInterface Type: KCS (Keyboard Control Style)",
    "\tSpecification Version: 2.0",
    "\tI2C Slave Address: 0x10",
    "\tNV Storage Device: Not Present",
    "\tBase Address: 0x0000000000000CA2 (I/O)",
    "\tRegister Spacing: Successive Byte Boundaries",
    "",
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
    "Cooling Device",
    "!\tTemperature Probe Handle: 0x0063",
    "\tType: Power Supply Fan",
    "\tStatus: OK",
    "\tCooling Unit Group: 1",
    "\tOEM-specific Information: 0x00000000",
    "\tNominal Speed: 6000 rpm",
    "\tDescription: PSU1 Fan",
    "",
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
    "System Boot Information",
    "\tStatus: No errors detected",
    "",
    "End Of Table",
    "",
};

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void expect_server_text(unsigned mode)
{
    std::string out;
    for (const bytes &s : server_structures())
        out += decode_one(s, 0x0207, mode);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\n');

    std::vector<std::string> expected;
    for (const char *line : server_text) {
        if (line[0] != '!')
            expected.emplace_back(line);
        else if (!(mode & MODE_QUIET))
            expected.emplace_back(line + 1);
    }
    std::vector<std::string> actual = split_lines(out);
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); i++)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(actual.size(), expected.size());
}

} // namespace

TEST(ServerTable, FullText) { expect_server_text(0); }

TEST(ServerTable, QuietText) { expect_server_text(MODE_QUIET); }
