// Vendor detection and the HP and Acer structures.
#include "smbios/formatted_area.h"

#include "smbios/oem.h"
#include "smbios/options.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace area_fixture;

TEST(OemVendor, ManufacturerMustBeAPrefixOfAMakerName)
{
    struct {
        oem_vendor_id before;
        const char *manufacturer;
        oem_vendor_id after;
    } cases[] = {
        {OEM_NONE, "HP", OEM_HP},
        {OEM_NONE, "HP   ", OEM_HP},
        {OEM_NONE, "H", OEM_HP},
        {OEM_NONE, "Hewlett", OEM_HP},
        {OEM_NONE, "Hewlett-Packard", OEM_HP},
        {OEM_NONE, "Hewlett-Packard  ", OEM_HP},
        {OEM_NONE, "   ", OEM_HP},
        {OEM_NONE, "", OEM_HP},
        {OEM_ACER, "HP", OEM_HP},
        {OEM_NONE, "HPE", OEM_NONE},
        {OEM_ACER, "HPE", OEM_ACER},
        {OEM_NONE, "Hewlett-Packard Enterprise", OEM_NONE},
        {OEM_NONE, "hp", OEM_NONE},
        {OEM_NONE, " HP", OEM_NONE},
        {OEM_NONE, "Acer", OEM_ACER},
        {OEM_NONE, "A", OEM_ACER},
        {OEM_NONE, "Ace  ", OEM_ACER},
        {OEM_HP, "Acer", OEM_ACER},
        {OEM_HP, "Acer Inc.", OEM_HP},
        {OEM_NONE, "Acer Inc.", OEM_NONE},
        {OEM_NONE, "Acerx", OEM_NONE},
        {OEM_HP, "Not Specified", OEM_HP},
        {OEM_ACER, "<BAD INDEX>", OEM_ACER},
        {OEM_NONE, "Supermicro", OEM_NONE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.manufacturer << "\" from " << c.before);
        vendor_scope scope(c.before);
        set_oem_vendor(c.manufacturer);
        EXPECT_EQ(oem_vendor, c.after);
    }
}

TEST(OemStructures, HandledOnlyForTheirVendor)
{
    struct {
        oem_vendor_id vendor;
        std::vector<unsigned> handled;
    } cases[] = {
        {OEM_NONE, {}},
        {OEM_HP, {204, 209, 212, 219, 221}},
        {OEM_ACER, {170}},
    };
    for (const auto &c : cases) {
        vendor_scope scope(c.vendor);
        for (unsigned type = 43; type <= 255; type++) {
            if (type == 126 || type == 127)
                continue;
            SCOPED_TRACE(testing::Message() << "vendor " << c.vendor << " type " << type);
            bool handled = std::find(c.handled.begin(), c.handled.end(), type) != c.handled.end();
            bytes s = formatted_area(static_cast<std::uint8_t>(type), 32).structure(1);
            std::string fallback = type < 128 ? "Unknown Type\n" : "OEM-specific Type\n";
            std::string out = decode_one(s);
            EXPECT_EQ(out.rfind(fallback, 0) == 0, !handled);
            // A handled structure prints the same in quiet mode; any other prints nothing there.
            EXPECT_EQ(decode_one(s, 0x0300, MODE_QUIET), handled ? out : "");
        }
    }
}

TEST(HpRackLocator, FieldsAndMinimumLength)
{
    vendor_scope scope(OEM_HP);
    formatted_area a(204, 11);
    a.byte(0x04, 1).byte(0x05, 2).byte(0x06, 3).byte(0x07, 4).byte(0x08, 16).byte(0x09, 8).byte(0x0A, 5);
    const std::vector<std::string> strings = {"Rack A", "Enclosure 1", "c7000", "Bay 3", "SN-ENC"};
    EXPECT_EQ(decode_one(a.structure(0x20, strings)),
              "HP ProLiant System/Rack Locator\n\tRack Name: Rack A\n\tEnclosure Name: Enclosure 1\n"
              "\tEnclosure Model: c7000\n\tEnclosure Serial: SN-ENC\n\tEnclosure Bays: 16\n\tServer Bay: Bay 3\n"
              "\tBays Filled: 8\n\n");
    EXPECT_EQ(decode_one(a.truncated(10).structure(0x20, strings)), "HP ProLiant System/Rack Locator\n\n");
}

TEST(HpNicList, OnlyWholeRecordsArePrinted)
{
    vendor_scope scope(OEM_HP);
    formatted_area a(209, 36);
    a.fill(0x04, {0x00, 0x00, 1, 2, 3, 4, 5, 6});
    a.fill(0x0C, {0xFF, 0xFF, 1, 2, 3, 4, 5, 6});
    a.fill(0x14, {0xFF, 0x00, 0x00, 0x1A, 0x4B, 0x0C, 0x0D, 0x0E});
    a.fill(0x1C, {0x0A, 0x03, 0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03});
    const std::vector<gated_line> lines = {
        {12, ANY_LENGTH, "\tNIC 1: Disabled\n"},
        {20, ANY_LENGTH, "\tNIC 2: Not Installed\n"},
        {28, ANY_LENGTH, "\tNIC 3: PCI device 00:1f.7, MAC address 00:1A:4B:0C:0D:0E\n"},
        {36, ANY_LENGTH, "\tNIC 4: PCI device 03:01.2, MAC address AB:CD:EF:01:02:03\n"},
    };
    for (unsigned length = 4; length <= 36; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(0x21)),
                  gated_output("HP BIOS PXE NIC PCI and MAC Information\n", lines, length));
        auto iscsi = a.truncated(length);
        iscsi.type = 221;
        EXPECT_EQ(decode_one(iscsi.structure(0x22)),
                  gated_output("HP BIOS iSCSI NIC PCI and MAC Information\n", lines, length));
    }
}

TEST(HpCru, SignatureAndPhysicalAddress)
{
    vendor_scope scope(OEM_HP);
    struct {
        unsigned length;
        bytes signature;
        std::uint64_t base;
        std::uint32_t size, offset;
        const char *lines;
    } cases[] = {
        {24, {'$', 'C', 'R', 'U'}, 0x00000000FFFFFFF0, 0x1000, 0x20,
         "\tSignature: 0x55524324 ($CRU)\n\tPhysical Address: 0x0000000100000010\n\tLength: 0x00001000\n"},
        {32, {'$', 'C', 'R', 'U'}, 0x123456789ABC0000, 0x8000, 0x1234,
         "\tSignature: 0x55524324 ($CRU)\n\tPhysical Address: 0x123456789abc1234\n\tLength: 0x00008000\n"},
        {24, {'$', 'C', 'R', 'V'}, 0x00000000FFFFFFF0, 0x1000, 0x20, "\tSignature: 0x56524324 ($CRV)\n"},
        {24, {'$', 'C', 'R', 0x7F}, 0x00000000FFFFFFF0, 0x1000, 0x20, "\tSignature: 0x7f524324\n"},
        {24, {0x1F, 'C', 'R', 'U'}, 0, 0, 0, "\tSignature: 0x5552431f\n"},
        {23, {'$', 'C', 'R', 'U'}, 0x00000000FFFFFFF0, 0x1000, 0x20, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        formatted_area a(212, 32);
        a.fill(0x04, c.signature).qword(0x08, c.base).dword(0x10, c.size).dword(0x14, c.offset);
        EXPECT_EQ(decode_one(a.truncated(c.length).structure(0x23)),
                  std::string("HP 64-bit CRU Information\n") + c.lines + "\n");
    }
}

TEST(HpProLiantInformation, GatesAndMiscFeatureBits)
{
    vendor_scope scope(OEM_HP);
    formatted_area a(219, 20);
    a.dword(0x04, 0x00000011).dword(0x08, 0x12345678).dword(0x0C, 0xFFFFFFFF).dword(0x10, 0x00000001);
    const std::vector<gated_line> lines = {
        {8, ANY_LENGTH, "\tPower Features: 0x00000011\n"},
        {12, ANY_LENGTH, "\tOmega Features: 0x12345678\n"},
        {20, ANY_LENGTH, "\tMisc. Features: 0x00000001\n\t\tiCRU: Yes\n\t\tUEFI: No\n"},
    };
    for (unsigned length = 4; length <= 20; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(0x24)),
                  gated_output("HP ProLiant Information\n", lines, length));
    }
    struct {
        std::uint32_t misc;
        const char *lines;
    } cases[] = {
        {0x00000000, "\tMisc. Features: 0x00000000\n\t\tiCRU: No\n\t\tUEFI: No\n"},
        {0x00000008, "\tMisc. Features: 0x00000008\n\t\tiCRU: No\n\t\tUEFI: Yes\n"},
        {0x00000400, "\tMisc. Features: 0x00000400\n\t\tiCRU: No\n\t\tUEFI: Yes\n"},
        {0x00000409, "\tMisc. Features: 0x00000409\n\t\tiCRU: Yes\n\t\tUEFI: Yes\n"},
        {0xFFFFFBF6, "\tMisc. Features: 0xfffffbf6\n\t\tiCRU: No\n\t\tUEFI: No\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.misc);
        auto out = decode_one(a.dword(0x10, c.misc).structure(0x24));
        EXPECT_EQ(out.substr(out.find("\tMisc.")), std::string(c.lines) + "\n");
    }
}

TEST(AcerHotkeys, BitmapsAndMinimumLength)
{
    formatted_area a(170, 15);
    a.word(0x04, 0x0841).word(0x06, 0x0102).word(0x08, 0xA0B0).word(0x0A, 0x000F).word(0x0C, 0xFFFF).byte(0x0E, 3);
    {
        vendor_scope scope(OEM_ACER);
        EXPECT_EQ(decode_one(a.structure(0x30)),
                  "Acer Hotkey Function\n\tFunction bitmap for Communication Button: 0x0841\n"
                  "\t\tWiFi: Yes\n\t\t3G: Yes\n\t\tWiMAX: No\n\t\tBluetooth: Yes\n"
                  "\tFunction bitmap for Application Button: 0x0102\n"
                  "\tFunction bitmap for Media Button: 0xa0b0\n"
                  "\tFunction bitmap for Display Button: 0x000f\n"
                  "\tFunction bitmap for Others Button: 0xffff\n"
                  "\tCommunication Function Key Number: 3\n\n");
        auto out = decode_one(a.word(0x04, 0x0080).structure(0x30));
        EXPECT_NE(out.find("0x0080\n\t\tWiFi: No\n\t\t3G: No\n\t\tWiMAX: Yes\n\t\tBluetooth: No\n"), std::string::npos);
    }
    formatted_area shorter(170, 14);
    {
        vendor_scope scope(OEM_ACER);
        EXPECT_EQ(decode_one(shorter.structure(0x1234)), "Acer Hotkey Function\n\n");
    }
    for (oem_vendor_id other : {OEM_HP, OEM_NONE}) {
        vendor_scope scope(other);
        EXPECT_EQ(decode_one(shorter.structure(0x1234)),
                  "OEM-specific Type\n\tHeader and Data:\n\t\tAA 0E 34 12 00 00 00 00 00 00 00 00 00 00\n\n");
    }
}
