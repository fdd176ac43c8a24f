// Remote access, boot integrity, boot status, management devices and memory
// channels (types 30 to 32, 34 to 37).
#include "smbios/field_builder.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

TEST(RemoteAccess, ConnectionBits)
{
    expect_golden({
        {"outbound only", build_structure(30, 6, {{0x04, 1, 1}, {0x05, 1, 0x02}}, {"Intel"}), 0,
         "Out-of-band Remote Access\n\tManufacturer Name: Intel\n\tInbound Connection: Disabled\n"
         "\tOutbound Connection: Enabled\n\n"},
        {"inbound only, other bits ignored", build_structure(30, 6, {{0x05, 1, 0xFD}}), 0,
         "Out-of-band Remote Access\n\tManufacturer Name: Not Specified\n\tInbound Connection: Enabled\n"
         "\tOutbound Connection: Disabled\n\n"},
        {"below minimum length", build_structure(30, 5, {{0x04, 1, 1}}, {"Intel"}), 0,
         "Out-of-band Remote Access\n\n"},
    });
}

TEST(BootIntegrity, ChecksumOverTheFormattedArea)
{
    bytes bis = build_structure(31, 28, {{0x08, 4, 0xF0001234}, {0x0C, 4, 0x000F5A00}, {0x18, 4, 0x01020304}});
    std::uint8_t sum = 0;
    for (unsigned i = 0; i < 28; i++)
        sum = static_cast<std::uint8_t>(sum + bis[i]);
    bis[0x04] = static_cast<std::uint8_t>(-sum);
    bytes broken = bis;
    broken[27] ^= 0x01; // the last byte of the formatted area counts too
    bytes strings_differ = bis;
    strings_differ[28] = 'x'; // the first byte after it does not
    const char *fields = "\t16-bit Entry Point Address: F000:1234\n"
                         "\t32-bit Entry Point Address: 0x000F5A00\n"
                         "\n";
    const std::string title = "Boot Integrity Services Entry Point\n";
    expect_golden({
        {"valid", bis, 0, title + "\tChecksum: OK\n" + fields},
        {"last byte altered", broken, 0, title + "\tChecksum: Invalid\n" + fields},
        {"string area ignored", strings_differ, 0, title + "\tChecksum: OK\n" + fields},
        {"below minimum length", build_structure(31, 27, {{0x08, 4, 0xF0001234}}), 0, title + "\n"},
    });
}

TEST(BootInformation, StatusRanges)
{
    const struct {
        std::uint8_t status;
        const char *name;
    } cases[] = {
        {0x00, "No errors detected"},  {0x04, "Operating system-detected hardware failure"},
        {0x08, "System watchdog timer expired"}, {0x09, "<OUT OF SPEC>"}, {0x7F, "<OUT OF SPEC>"},
        {0x80, "OEM-specific"}, {0xBF, "OEM-specific"}, {0xC0, "Product-specific"}, {0xFF, "Product-specific"},
    };
    std::vector<golden_case> golden;
    for (const auto &c : cases)
        golden.push_back({c.name, build_structure(32, 11, {{0x0A, 1, c.status}}), 0,
                          std::string("System Boot Information\n\tStatus: ") + c.name + "\n\n"});
    golden.push_back({"below minimum length", build_structure(32, 10, {}), 0, "System Boot Information\n\n"});
    expect_golden(golden);
}

TEST(ManagementDevice, TypeAddressAndAddressType)
{
    expect_golden({
        {"LM78 on an I/O port",
         build_structure(34, 11, {{0x04, 1, 1}, {0x05, 1, 0x04}, {0x06, 4, 0x00000290}, {0x0A, 1, 0x03}},
                         {"LM78-1"}),
         0,
         "Management Device\n\tDescription: LM78-1\n\tType: LM78\n\tAddress: 0x00000290\n"
         "\tAddress Type: I/O Port\n\n"},
        {"table ends", build_structure(34, 11, {{0x05, 1, 0x0D}, {0x06, 4, 0x2D}, {0x0A, 1, 0x05}}), 0,
         "Management Device\n\tDescription: Not Specified\n\tType: HT82H791\n\tAddress: 0x0000002D\n"
         "\tAddress Type: SMBus\n\n"},
        {"beyond the tables", build_structure(34, 11, {{0x05, 1, 0x0E}, {0x0A, 1, 0x06}}), 0,
         "Management Device\n\tDescription: Not Specified\n\tType: <OUT OF SPEC>\n\tAddress: 0x00000000\n"
         "\tAddress Type: <OUT OF SPEC>\n\n"},
        {"below minimum length", build_structure(34, 10, {{0x05, 1, 0x04}}), 0, "Management Device\n\n"},
    });
}

TEST(ManagementDeviceComponent, HandlesAndQuietMode)
{
    bytes with_threshold =
        build_structure(35, 11, {{0x04, 1, 1}, {0x05, 2, 0x0026}, {0x07, 2, 0x0027}, {0x09, 2, 0x0028}}, {"Voltage 1"});
    bytes without_threshold =
        build_structure(35, 11, {{0x04, 1, 1}, {0x05, 2, 0x0026}, {0x07, 2, 0x0027}, {0x09, 2, 0xFFFF}}, {"Fan 2"});
    expect_golden({
        {"with threshold", with_threshold, 0,
         "Management Device Component\n\tDescription: Voltage 1\n\tManagement Device Handle: 0x0026\n"
         "\tComponent Handle: 0x0027\n\tThreshold Handle: 0x0028\n\n"},
        {"without threshold", without_threshold, 0,
         "Management Device Component\n\tDescription: Fan 2\n\tManagement Device Handle: 0x0026\n"
         "\tComponent Handle: 0x0027\n\n"},
        {"quiet keeps title and description", with_threshold, MODE_QUIET,
         "Management Device Component\n\tDescription: Voltage 1\n\n"},
        {"below minimum length", build_structure(35, 10, {{0x04, 1, 1}}, {"Voltage 1"}), 0,
         "Management Device Component\n\n"},
    });
}

TEST(ThresholdData, SignedValuesAndUnknownMarker)
{
    expect_golden({
        {"mixed",
         build_structure(36, 16, {{0x04, 2, 0xFFFB}, {0x06, 2, 0x8000}, {0x08, 2, 100}, {0x0A, 2, 0x8000},
                                  {0x0C, 2, 0x7FFF}, {0x0E, 2, 0x8001}}),
         0,
         "Management Device Threshold Data\n"
         "\tLower Non-critical Threshold: -5\n"
         "\tLower Critical Threshold: 100\n"
         "\tLower Non-recoverable Threshold: 32767\n"
         "\tUpper Non-recoverable Threshold: -32767\n"
         "\n"},
        {"the other half",
         build_structure(36, 16, {{0x04, 2, 0x8000}, {0x06, 2, 0}, {0x08, 2, 0x8000}, {0x0A, 2, 0xFFFF},
                                  {0x0C, 2, 0x8000}, {0x0E, 2, 0x8000}}),
         0,
         "Management Device Threshold Data\n"
         "\tUpper Non-critical Threshold: 0\n"
         "\tUpper Critical Threshold: -1\n"
         "\n"},
        {"below minimum length", build_structure(36, 15, {{0x04, 2, 1}}), 0, "Management Device Threshold Data\n\n"},
    });
}

TEST(MemoryChannel, DeviceListMustFitTheLength)
{
    expect_golden({
        {"length 10, one device",
         build_structure(37, 10, {{0x04, 1, 0x03}, {0x05, 1, 8}, {0x06, 1, 1}, {0x07, 1, 2}, {0x08, 2, 0x1100}}), 0,
         "Memory Channel\n\tType: RamBus\n\tMaximal Load: 8\n\tDevices: 1\n"
         "\tDevice 1 Load: 2\n\tDevice 1 Handle: 0x1100\n\n"},
        {"length 10, two devices announced",
         build_structure(37, 10, {{0x04, 1, 0x03}, {0x05, 1, 8}, {0x06, 1, 2}, {0x07, 1, 2}, {0x08, 2, 0x1100}}), 0,
         "Memory Channel\n\tType: RamBus\n\tMaximal Load: 8\n\tDevices: 2\n\n"},
        {"length 13, two devices",
         build_structure(37, 13, {{0x04, 1, 0x04}, {0x05, 1, 4}, {0x06, 1, 2}, {0x07, 1, 1}, {0x08, 2, 0x1100},
                                  {0x0A, 1, 3}, {0x0B, 2, 0x1101}}),
         0,
         "Memory Channel\n\tType: SyncLink\n\tMaximal Load: 4\n\tDevices: 2\n"
         "\tDevice 1 Load: 1\n\tDevice 1 Handle: 0x1100\n\tDevice 2 Load: 3\n\tDevice 2 Handle: 0x1101\n\n"},
        {"quiet drops device handles",
         build_structure(37, 13, {{0x04, 1, 0x01}, {0x06, 1, 2}, {0x07, 1, 1}, {0x08, 2, 0x1100}, {0x0A, 1, 3},
                                  {0x0B, 2, 0x1101}}),
         MODE_QUIET,
         "Memory Channel\n\tType: Other\n\tMaximal Load: 0\n\tDevices: 2\n"
         "\tDevice 1 Load: 1\n\tDevice 2 Load: 3\n\n"},
        {"no devices", build_structure(37, 7, {{0x04, 1, 0x05}}), 0,
         "Memory Channel\n\tType: <OUT OF SPEC>\n\tMaximal Load: 0\n\tDevices: 0\n\n"},
        {"below minimum length", build_structure(37, 6, {{0x04, 1, 0x03}}), 0, "Memory Channel\n\n"},
    });
}
