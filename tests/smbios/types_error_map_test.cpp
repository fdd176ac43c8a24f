// Memory error records and memory address mappings (types 18, 19, 20, 33).
#include "smbios/field_builder.h"

#include "smbios/options.h"

#include <gtest/gtest.h>

TEST(MemoryError, ThirtyTwoBitRecord)
{
    expect_golden({
        {"unknown markers",
         build_structure(18, 23, {{0x04, 1, 0x03}, {0x05, 1, 0x03}, {0x06, 1, 0x03}, {0x07, 4, 0},
                                  {0x0B, 4, 0x80000000}, {0x0F, 4, 0x00012345}, {0x13, 4, 0x40}}),
         0,
         "32-bit Memory Error Information\n"
         "\tType: OK\n"
         "\tGranularity: Device Level\n"
         "\tOperation: Read\n"
         "\tVendor Syndrome: Unknown\n"
         "\tMemory Array Address: Unknown\n"
         "\tDevice Address: 0x00012345\n"
         "\tResolution: 0x00000040\n"
         "\n"},
        {"table ends and values beyond them",
         build_structure(18, 23, {{0x04, 1, 0x0E}, {0x05, 1, 0x04}, {0x06, 1, 0x05}, {0x07, 4, 0xDEADBEEF},
                                  {0x0B, 4, 0x7FFFFFFF}, {0x0F, 4, 0x80000000}, {0x13, 4, 0x80000000}}),
         0,
         "32-bit Memory Error Information\n"
         "\tType: Uncorrectable Error\n"
         "\tGranularity: Memory Partition Level\n"
         "\tOperation: Partial Write\n"
         "\tVendor Syndrome: 0xDEADBEEF\n"
         "\tMemory Array Address: 0x7FFFFFFF\n"
         "\tDevice Address: Unknown\n"
         "\tResolution: Unknown\n"
         "\n"},
        {"out of range values",
         build_structure(18, 23, {{0x04, 1, 0x0F}, {0x05, 1, 0x00}, {0x06, 1, 0x06}}),
         0,
         "32-bit Memory Error Information\n"
         "\tType: <OUT OF SPEC>\n"
         "\tGranularity: <OUT OF SPEC>\n"
         "\tOperation: <OUT OF SPEC>\n"
         "\tVendor Syndrome: Unknown\n"
         "\tMemory Array Address: 0x00000000\n"
         "\tDevice Address: 0x00000000\n"
         "\tResolution: 0x00000000\n"
         "\n"},
        {"below minimum length", build_structure(18, 22, {{0x04, 1, 0x03}}), 0,
         "32-bit Memory Error Information\n\n"},
    });
}

TEST(MemoryError, SixtyFourBitRecord)
{
    expect_golden({
        {"full record",
         build_structure(33, 31, {{0x04, 1, 0x01}, {0x05, 1, 0x02}, {0x06, 1, 0x04}, {0x07, 4, 0x1234},
                                  {0x0B, 8, 0x8000000000000000}, {0x13, 8, 0x0000000123456789},
                                  {0x1B, 4, 0x80000000}}),
         0,
         "64-bit Memory Error Information\n"
         "\tType: Other\n"
         "\tGranularity: Unknown\n"
         "\tOperation: Write\n"
         "\tVendor Syndrome: 0x00001234\n"
         "\tMemory Array Address: Unknown\n"
         "\tDevice Address: 0x0000000123456789\n"
         "\tResolution: Unknown\n"
         "\n"},
        {"unknown marker needs a zero low half",
         build_structure(33, 31, {{0x04, 1, 0x06}, {0x05, 1, 0x01}, {0x06, 1, 0x03},
                                  {0x0B, 8, 0x8000000000000001}, {0x13, 8, 0x0000000080000000},
                                  {0x1B, 4, 0x100}}),
         0,
         "64-bit Memory Error Information\n"
         "\tType: Single-bit Error\n"
         "\tGranularity: Other\n"
         "\tOperation: Read\n"
         "\tVendor Syndrome: Unknown\n"
         "\tMemory Array Address: 0x8000000000000001\n"
         "\tDevice Address: 0x0000000080000000\n"
         "\tResolution: 0x00000100\n"
         "\n"},
        // Too short a 64-bit record leaves out even its title.
        {"length 30", build_structure(33, 30, {{0x04, 1, 0x03}, {0x05, 1, 0x03}}), 0, "\n"},
        {"length 30, quiet", build_structure(33, 30, {{0x04, 1, 0x03}}), MODE_QUIET, "\n"},
    });
}

TEST(MappedAddress, ArrayMappedAddressForms)
{
    expect_golden({
        {"length 31 takes the extended form",
         build_structure(19, 31, {{0x04, 4, 0xFFFFFFFF}, {0x08, 4, 0xFFFFFFFF}, {0x0C, 2, 0x0030}, {0x0E, 1, 2},
                                  {0x0F, 8, 0x0000000100000000}, {0x17, 8, 0x000000017FFFFFFF}}),
         0,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x0000000100000000\n"
         "\tEnding Address: 0x000000017FFFFFFF\n"
         "\tRange Size: 2 GB\n"
         "\tPhysical Array Handle: 0x0030\n"
         "\tPartition Width: 2\n"
         "\n"},
        {"length 30 keeps the 32-bit form",
         build_structure(19, 30, {{0x04, 4, 0xFFFFFFFF}, {0x08, 4, 0xFFFFFFFF}, {0x0C, 2, 0x0030}, {0x0E, 1, 2},
                                  {0x0F, 8, 0x0000000100000000}}),
         0,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x3FFFFFFFC00\n"
         "\tEnding Address: 0x3FFFFFFFFFF\n"
         "\tRange Size: 1 kB\n"
         "\tPhysical Array Handle: 0x0030\n"
         "\tPartition Width: 2\n"
         "\n"},
        {"4 GB from address 0",
         build_structure(19, 15, {{0x04, 4, 0}, {0x08, 4, 0x3FFFFF}, {0x0C, 2, 0x1000}, {0x0E, 1, 1}}),
         0,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x00000000000\n"
         "\tEnding Address: 0x000FFFFFFFF\n"
         "\tRange Size: 4 GB\n"
         "\tPhysical Array Handle: 0x1000\n"
         "\tPartition Width: 1\n"
         "\n"},
        {"512 MB above 1 GB, quiet",
         build_structure(19, 15, {{0x04, 4, 0x100000}, {0x08, 4, 0x17FFFF}, {0x0C, 2, 0x1000}, {0x0E, 1, 4}}),
         MODE_QUIET,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x00040000000\n"
         "\tEnding Address: 0x0005FFFFFFF\n"
         "\tRange Size: 512 MB\n"
         "\tPartition Width: 4\n"
         "\n"},
        {"size between units", build_structure(19, 15, {{0x08, 4, 1535}}), 0,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x00000000000\n"
         "\tEnding Address: 0x0000017FFFF\n"
         "\tRange Size: 1536 kB\n"
         "\tPhysical Array Handle: 0x0000\n"
         "\tPartition Width: 0\n"
         "\n"},
        {"equal extended addresses",
         build_structure(19, 31, {{0x04, 4, 0xFFFFFFFF}, {0x0F, 8, 0x0000000200000000},
                                  {0x17, 8, 0x0000000200000000}}),
         0,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x0000000200000000\n"
         "\tEnding Address: 0x0000000200000000\n"
         "\tRange Size: Invalid\n"
         "\tPhysical Array Handle: 0x0000\n"
         "\tPartition Width: 0\n"
         "\n"},
        // The size of the whole 32-bit range is counted modulo 2 to the 32.
        {"whole 32-bit range", build_structure(19, 15, {{0x08, 4, 0xFFFFFFFF}}), MODE_QUIET,
         "Memory Array Mapped Address\n"
         "\tStarting Address: 0x00000000000\n"
         "\tEnding Address: 0x3FFFFFFFFFF\n"
         "\tRange Size: Invalid\n"
         "\tPartition Width: 0\n"
         "\n"},
        {"below minimum length", build_structure(19, 14, {{0x08, 4, 0x3FFFFF}}), 0,
         "Memory Array Mapped Address\n\n"},
    });
}

TEST(MappedAddress, DeviceMappedAddressForms)
{
    expect_golden({
        {"length 35 takes the extended form",
         build_structure(20, 35, {{0x04, 4, 0xFFFFFFFF}, {0x0C, 2, 0x0041}, {0x0E, 2, 0x0030}, {0x10, 1, 0xFF},
                                  {0x11, 1, 0x01}, {0x12, 1, 0xFF}, {0x13, 8, 0x0000000080000000},
                                  {0x1B, 8, 0x00000000FFFFFFFF}}),
         0,
         "Memory Device Mapped Address\n"
         "\tStarting Address: 0x0000000080000000\n"
         "\tEnding Address: 0x00000000FFFFFFFF\n"
         "\tRange Size: 2 GB\n"
         "\tPhysical Device Handle: 0x0041\n"
         "\tMemory Array Mapped Address Handle: 0x0030\n"
         "\tPartition Row Position: Unknown\n"
         "\tInterleave Position: 1\n"
         "\tInterleaved Data Depth: Unknown\n"
         "\n"},
        {"length 34 keeps the 32-bit form",
         build_structure(20, 34, {{0x04, 4, 0xFFFFFFFF}, {0x08, 4, 0xFFFFFFFF}, {0x10, 1, 2}, {0x12, 1, 2},
                                  {0x13, 8, 0x0000000080000000}}),
         MODE_QUIET,
         "Memory Device Mapped Address\n"
         "\tStarting Address: 0x3FFFFFFFC00\n"
         "\tEnding Address: 0x3FFFFFFFFFF\n"
         "\tRange Size: 1 kB\n"
         "\tPartition Row Position: 2\n"
         "\tInterleaved Data Depth: 2\n"
         "\n"},
        {"row position 0, no interleave",
         build_structure(20, 19, {{0x04, 4, 0x200000}, {0x08, 4, 0x3FFFFF}, {0x0C, 2, 0x0042}, {0x0E, 2, 0x0031}}),
         0,
         "Memory Device Mapped Address\n"
         "\tStarting Address: 0x00080000000\n"
         "\tEnding Address: 0x000FFFFFFFF\n"
         "\tRange Size: 2 GB\n"
         "\tPhysical Device Handle: 0x0042\n"
         "\tMemory Array Mapped Address Handle: 0x0031\n"
         "\tPartition Row Position: <OUT OF SPEC>\n"
         "\n"},
        {"below minimum length", build_structure(20, 18, {{0x10, 1, 1}}), 0, "Memory Device Mapped Address\n\n"},
    });
}
