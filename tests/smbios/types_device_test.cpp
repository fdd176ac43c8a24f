// Pointing device, portable battery, system reset, hardware security and
// system power controls (types 21 to 25).
#include "smbios/field_builder.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

TEST(PointingDevice, TypeInterfaceAndButtons)
{
    expect_golden({
        {"USB glide point", build_structure(21, 7, {{0x04, 1, 0x06}, {0x05, 1, 0xA2}, {0x06, 1, 3}}), 0,
         "Built-in Pointing Device\n\tType: Glide Point\n\tInterface: USB\n\tButtons: 3\n\n"},
        {"last of the first interface range",
         build_structure(21, 7, {{0x04, 1, 0x09}, {0x05, 1, 0x08}, {0x06, 1, 0}}), 0,
         "Built-in Pointing Device\n\tType: Optical Sensor\n\tInterface: ADB (Apple Desktop Bus)\n\tButtons: 0\n\n"},
        {"values between and beyond the ranges",
         build_structure(21, 7, {{0x04, 1, 0x0A}, {0x05, 1, 0x09}, {0x06, 1, 255}}), 0,
         "Built-in Pointing Device\n\tType: <OUT OF SPEC>\n\tInterface: <OUT OF SPEC>\n\tButtons: 255\n\n"},
        {"interface past the second range", build_structure(21, 7, {{0x04, 1, 0x00}, {0x05, 1, 0xA3}}), 0,
         "Built-in Pointing Device\n\tType: <OUT OF SPEC>\n\tInterface: <OUT OF SPEC>\n\tButtons: 0\n\n"},
        {"below minimum length", build_structure(21, 6, {{0x04, 1, 0x03}}), 0, "Built-in Pointing Device\n\n"},
    });
}

TEST(PortableBattery, SmartBatteryFieldsAndStrings)
{
    // 2015-03-04 packed as years since 1980, month and day.
    const std::uint16_t date = (35 << 9) | (3 << 5) | 4;
    const std::vector<std::string> strings = {"Rear", "ACME", "BAT1", "1.1", "LION", "2014-12-01", "S-42"};
    expect_golden({
        {"length 26 with zero string numbers takes the SBDS fields",
         build_structure(22, 26, {{0x04, 1, 1}, {0x05, 1, 2}, {0x08, 1, 3}, {0x09, 1, 0x02}, {0x0A, 2, 4800},
                                  {0x0C, 2, 11100}, {0x0E, 1, 4}, {0x0F, 1, 5}, {0x10, 2, 0xBEEF},
                                  {0x12, 2, date}, {0x14, 1, 5}, {0x15, 1, 10}, {0x16, 4, 0x12345678}},
                         strings),
         0,
         "Portable Battery\n"
         "\tLocation: Rear\n"
         "\tManufacturer: ACME\n"
         "\tName: BAT1\n"
         "\tDesign Capacity: 48000 mWh\n"
         "\tDesign Voltage: 11100 mV\n"
         "\tSBDS Version: 1.1\n"
         "\tMaximum Error: 5%\n"
         "\tSBDS Serial Number: BEEF\n"
         "\tSBDS Manufacture Date: 2015-03-04\n"
         "\tSBDS Chemistry: LION\n"
         "\tOEM-specific Information: 0x12345678\n"
         "\n"},
        {"length 26 with strings keeps them",
         build_structure(22, 26, {{0x04, 1, 1}, {0x05, 1, 2}, {0x06, 1, 6}, {0x07, 1, 7}, {0x08, 1, 3},
                                  {0x09, 1, 0x06}, {0x0A, 2, 0}, {0x0C, 2, 0}, {0x0F, 1, 0xFF},
                                  {0x10, 2, 0xBEEF}, {0x12, 2, date}, {0x14, 1, 5}, {0x15, 1, 10}},
                         strings),
         0,
         "Portable Battery\n"
         "\tLocation: Rear\n"
         "\tManufacturer: ACME\n"
         "\tManufacture Date: 2014-12-01\n"
         "\tSerial Number: S-42\n"
         "\tName: BAT1\n"
         "\tChemistry: Lithium Ion\n"
         "\tDesign Capacity: Unknown\n"
         "\tDesign Voltage: Unknown\n"
         "\tSBDS Version: Not Specified\n"
         "\tMaximum Error: Unknown\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\n"},
        {"length 22 multiplies the capacity but has no SBDS fields",
         build_structure(22, 22, {{0x09, 1, 0x02}, {0x0A, 2, 2000}, {0x0C, 2, 7400}, {0x0F, 1, 100},
                                  {0x15, 1, 3}}),
         0,
         "Portable Battery\n"
         "\tLocation: Not Specified\n"
         "\tManufacturer: Not Specified\n"
         "\tManufacture Date: Not Specified\n"
         "\tSerial Number: Not Specified\n"
         "\tName: Not Specified\n"
         "\tChemistry: Unknown\n"
         "\tDesign Capacity: 6000 mWh\n"
         "\tDesign Voltage: 7400 mV\n"
         "\tSBDS Version: Not Specified\n"
         "\tMaximum Error: 100%\n"
         "\n"},
        {"length 16 takes the capacity alone",
         build_structure(22, 16, {{0x04, 1, 1}, {0x05, 1, 9}, {0x09, 1, 0x09}, {0x0A, 2, 4800}}, strings),
         0,
         "Portable Battery\n"
         "\tLocation: Rear\n"
         "\tManufacturer: <BAD INDEX>\n"
         "\tManufacture Date: Not Specified\n"
         "\tSerial Number: Not Specified\n"
         "\tName: Not Specified\n"
         "\tChemistry: <OUT OF SPEC>\n"
         "\tDesign Capacity: 4800 mWh\n"
         "\tDesign Voltage: Unknown\n"
         "\tSBDS Version: Not Specified\n"
         "\tMaximum Error: 0%\n"
         "\n"},
        {"below minimum length", build_structure(22, 15, {{0x04, 1, 1}}, strings), 0, "Portable Battery\n\n"},
    });
}

TEST(SystemReset, WatchdogGatesTheSettings)
{
    expect_golden({
        {"watchdog clear",
         build_structure(23, 13, {{0x04, 1, 0x1F}, {0x05, 2, 3}, {0x07, 2, 5}, {0x09, 2, 10}, {0x0B, 2, 20}}), 0,
         "System Reset\n\tStatus: Enabled\n\tWatchdog Timer: Not Present\n\n"},
        {"watchdog present",
         build_structure(23, 13, {{0x04, 1, 0x3C}, {0x05, 2, 0xFFFF}, {0x07, 2, 5}, {0x09, 2, 10},
                                  {0x0B, 2, 0xFFFF}}),
         0,
         "System Reset\n"
         "\tStatus: Disabled\n"
         "\tWatchdog Timer: Present\n"
         "\tBoot Option: System Utilities\n"
         "\tBoot Option On Limit: Do Not Reboot\n"
         "\tReset Count: Unknown\n"
         "\tReset Limit: 5\n"
         "\tTimer Interval: 10 min\n"
         "\tTimeout: Unknown\n"
         "\n"},
        {"boot options 0 and 1",
         build_structure(23, 13, {{0x04, 1, 0x29}, {0x05, 2, 0}, {0x07, 2, 0xFFFF}, {0x09, 2, 0xFFFF},
                                  {0x0B, 2, 65534}}),
         0,
         "System Reset\n"
         "\tStatus: Enabled\n"
         "\tWatchdog Timer: Present\n"
         "\tBoot Option: <OUT OF SPEC>\n"
         "\tBoot Option On Limit: Operating System\n"
         "\tReset Count: 0\n"
         "\tReset Limit: Unknown\n"
         "\tTimer Interval: Unknown\n"
         "\tTimeout: 65534 min\n"
         "\n"},
        {"below minimum length", build_structure(23, 12, {{0x04, 1, 0x21}}), 0, "System Reset\n\n"},
    });
}

TEST(HardwareSecurity, FourTwoBitStates)
{
    expect_golden({
        {"every state once", build_structure(24, 5, {{0x04, 1, 0x6C}}), 0,
         "Hardware Security\n"
         "\tPower-On Password Status: Enabled\n"
         "\tKeyboard Password Status: Not Implemented\n"
         "\tAdministrator Password Status: Unknown\n"
         "\tFront Panel Reset Status: Disabled\n"
         "\n"},
        {"reversed", build_structure(24, 5, {{0x04, 1, 0x1B}}), 0,
         "Hardware Security\n"
         "\tPower-On Password Status: Disabled\n"
         "\tKeyboard Password Status: Enabled\n"
         "\tAdministrator Password Status: Not Implemented\n"
         "\tFront Panel Reset Status: Unknown\n"
         "\n"},
        {"below minimum length", build_structure(24, 4, {}), 0, "Hardware Security\n\n"},
    });
}

TEST(PowerControls, BcdFieldsOutsideTheirRangesPrintStars)
{
    auto controls = [](std::uint8_t month, std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                       std::uint8_t second) {
        return build_structure(25, 9, {{0x04, 1, month}, {0x05, 1, day}, {0x06, 1, hour}, {0x07, 1, minute},
                                       {0x08, 1, second}});
    };
    const char *title = "\tSystem Power Controls\n";
    expect_golden({
        {"month 0x13", controls(0x13, 0x31, 0x23, 0x5A, 0x00), 0,
         std::string(title) + "\tNext Scheduled Power-on: *-31 23:*:00\n\n"},
        {"upper bounds", controls(0x12, 0x31, 0x23, 0x59, 0x59), 0,
         std::string(title) + "\tNext Scheduled Power-on: 12-31 23:59:59\n\n"},
        {"lower bounds", controls(0x01, 0x01, 0x00, 0x00, 0x00), 0,
         std::string(title) + "\tNext Scheduled Power-on: 01-01 00:00:00\n\n"},
        {"just outside", controls(0x00, 0x00, 0x24, 0x60, 0x60), 0,
         std::string(title) + "\tNext Scheduled Power-on: *-* *:*:*\n\n"},
        {"non-decimal nibbles", controls(0x0A, 0x1F, 0xA1, 0x0B, 0xFF), 0,
         std::string(title) + "\tNext Scheduled Power-on: *-* *:*:*\n\n"},
        {"below minimum length", build_structure(25, 8, {{0x04, 1, 0x01}}), 0, std::string(title) + "\n"},
    });
}
