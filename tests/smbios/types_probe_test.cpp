// Voltage, temperature and current probes and cooling devices (types 26 to 29).
#include "smbios/field_builder.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

TEST(Probe, VoltageTemperatureAndCurrentReadings)
{
    expect_golden({
        {"voltage probe with nominal value",
         build_structure(26, 22, {{0x04, 1, 1}, {0x05, 1, 0x63}, {0x06, 2, 1500}, {0x08, 2, 0xFC18},
                                  {0x0A, 2, 5}, {0x0C, 2, 0x8000}, {0x0E, 2, 150}, {0x10, 4, 0xCAFEBABE},
                                  {0x14, 2, 1200}},
                         {"CPU Vcore"}),
         0,
         "Voltage Probe\n"
         "\tDescription: CPU Vcore\n"
         "\tLocation: Processor\n"
         "\tStatus: OK\n"
         "\tMaximum Value: 1.500 V\n"
         "\tMinimum Value: -1.000 V\n"
         "\tResolution: 0.5 mV\n"
         "\tTolerance: Unknown\n"
         "\tAccuracy: 1.50%\n"
         "\tOEM-specific Information: 0xCAFEBABE\n"
         "\tNominal Value: 1.200 V\n"
         "\n"},
        {"voltage probe of length 20, locations beyond its table",
         build_structure(26, 20, {{0x05, 1, 0x0C}, {0x06, 2, 0x8000}, {0x08, 2, 0x8000}, {0x0A, 2, 0x8000},
                                  {0x0C, 2, 50}, {0x0E, 2, 0x8000}}),
         0,
         "Voltage Probe\n"
         "\tDescription: Not Specified\n"
         "\tLocation: <OUT OF SPEC>\n"
         "\tStatus: <OUT OF SPEC>\n"
         "\tMaximum Value: Unknown\n"
         "\tMinimum Value: Unknown\n"
         "\tResolution: Unknown\n"
         "\tTolerance: 0.050 V\n"
         "\tAccuracy: Unknown\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\n"},
        {"temperature probe with nominal value",
         build_structure(28, 22, {{0x04, 1, 1}, {0x05, 1, 0x8F}, {0x06, 2, 850}, {0x08, 2, 0xFF9C},
                                  {0x0A, 2, 125}, {0x0C, 2, 20}, {0x0E, 2, 0x8000}, {0x14, 2, 400}},
                         {"Backplane Temp"}),
         0,
         "Temperature Probe\n"
         "\tDescription: Backplane Temp\n"
         "\tLocation: Drive Back Plane\n"
         "\tStatus: Non-critical\n"
         "\tMaximum Value: 85.0 deg C\n"
         "\tMinimum Value: -10.0 deg C\n"
         "\tResolution: 0.125 deg C\n"
         "\tTolerance: 2.0 deg C\n"
         "\tAccuracy: Unknown\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\tNominal Value: 40.0 deg C\n"
         "\n"},
        {"temperature probe location beyond its table",
         build_structure(28, 20, {{0x05, 1, 0xF0}, {0x0A, 2, 0x8000}, {0x0E, 2, 65535}}), 0,
         "Temperature Probe\n"
         "\tDescription: Not Specified\n"
         "\tLocation: <OUT OF SPEC>\n"
         "\tStatus: <OUT OF SPEC>\n"
         "\tMaximum Value: 0.0 deg C\n"
         "\tMinimum Value: 0.0 deg C\n"
         "\tResolution: Unknown\n"
         "\tTolerance: 0.0 deg C\n"
         "\tAccuracy: 655.35%\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\n"},
        {"current probe of length 21",
         build_structure(29, 21, {{0x04, 1, 1}, {0x05, 1, 0xCA}, {0x06, 2, 12500}, {0x08, 2, 0}, {0x0A, 2, 25},
                                  {0x0C, 2, 0x8000}, {0x0E, 2, 10000}, {0x10, 4, 1}},
                         {"PSU1 Current"}),
         0,
         "Electrical Current Probe\n"
         "\tDescription: PSU1 Current\n"
         "\tLocation: Power Unit\n"
         "\tStatus: Non-recoverable\n"
         "\tMaximum Value: 12.500 A\n"
         "\tMinimum Value: 0.000 A\n"
         "\tResolution: 2.5 mA\n"
         "\tTolerance: Unknown\n"
         "\tAccuracy: 100.00%\n"
         "\tOEM-specific Information: 0x00000001\n"
         "\n"},
        {"current probe with nominal value, first table entries",
         build_structure(29, 22, {{0x05, 1, 0x21}, {0x06, 2, 0xFFFF}, {0x0A, 2, 0xFFFF}, {0x14, 2, 0x7FFF}}), 0,
         "Electrical Current Probe\n"
         "\tDescription: Not Specified\n"
         "\tLocation: Other\n"
         "\tStatus: Other\n"
         "\tMaximum Value: -0.001 A\n"
         "\tMinimum Value: 0.000 A\n"
         "\tResolution: 6553.5 mA\n"
         "\tTolerance: 0.000 A\n"
         "\tAccuracy: 0.00%\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\tNominal Value: 32.767 A\n"
         "\n"},
        {"below minimum length", build_structure(26, 19, {{0x04, 1, 1}}, {"CPU Vcore"}), 0, "Voltage Probe\n\n"},
        {"temperature below minimum length", build_structure(28, 19, {}), 0, "Temperature Probe\n\n"},
        {"current below minimum length", build_structure(29, 19, {}), 0, "Electrical Current Probe\n\n"},
    });
}

TEST(CoolingDevice, LengthGatesAndHandle)
{
    expect_golden({
        {"length 15 with every field",
         build_structure(27, 15, {{0x04, 2, 0x0050}, {0x06, 1, 0x63}, {0x07, 1, 1}, {0x0C, 2, 0x8000},
                                  {0x0E, 1, 1}},
                         {"CPU Fan"}),
         0,
         "Cooling Device\n"
         "\tTemperature Probe Handle: 0x0050\n"
         "\tType: Fan\n"
         "\tStatus: OK\n"
         "\tCooling Unit Group: 1\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\tNominal Speed: Unknown Or Non-rotating\n"
         "\tDescription: CPU Fan\n"
         "\n"},
        {"length 14 has no description, quiet drops the handle",
         build_structure(27, 14, {{0x04, 2, 0x0050}, {0x06, 1, 0xD0}, {0x08, 4, 0xABCD0123}, {0x0C, 2, 3000}}),
         MODE_QUIET,
         "Cooling Device\n"
         "\tType: Active Cooling\n"
         "\tStatus: Non-recoverable\n"
         "\tOEM-specific Information: 0xABCD0123\n"
         "\tNominal Speed: 3000 rpm\n"
         "\n"},
        {"length 12, no probe, second range and gaps",
         build_structure(27, 12, {{0x04, 2, 0xFFFF}, {0x06, 1, 0xF1}}), 0,
         "Cooling Device\n"
         "\tType: Passive Cooling\n"
         "\tStatus: <OUT OF SPEC>\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\n"},
        {"type between the ranges", build_structure(27, 12, {{0x06, 1, 0x4A}}), 0,
         "Cooling Device\n"
         "\tTemperature Probe Handle: 0x0000\n"
         "\tType: <OUT OF SPEC>\n"
         "\tStatus: Unknown\n"
         "\tOEM-specific Information: 0x00000000\n"
         "\n"},
        {"below minimum length", build_structure(27, 11, {{0x04, 2, 0x0050}}), 0, "Cooling Device\n\n"},
    });
}
