// BIOS, System, Base Board and Chassis Information structures.
#include "smbios/formatted_area.h"

#include "smbios/decode.h"
#include "smbios/types_system.h"
#include "smbios/options.h"

#include <gtest/gtest.h>

using namespace area_fixture;

namespace {

const std::vector<std::string> bios_strings = {"American Megatrends Inc.", "3.5", "11/25/2013"};

formatted_area bios_area(std::uint16_t segment, std::uint8_t rom, std::uint32_t characteristics)
{
    formatted_area a(0, 24);
    a.byte(0x04, 1).byte(0x05, 2).word(0x06, segment).byte(0x08, 3).byte(0x09, rom);
    // The vendor-reserved upper half of the characteristics is never shown.
    a.dword(0x0A, characteristics).dword(0x0E, 0xFFFFFFFF);
    return a;
}

const char bios_head[] = "BIOS Information\n"
                         "\tVendor: American Megatrends Inc.\n"
                         "\tVersion: 3.5\n"
                         "\tRelease Date: 11/25/2013\n";

} // namespace

TEST(BiosInformation, ShorterThanMinimumShowsTitleOnly)
{
    auto a = bios_area(0xE000, 0x1F, 0x10).truncated(17);
    EXPECT_EQ(decode_one(a.structure(0, bios_strings)), "BIOS Information\n\n");
}

TEST(BiosInformation, SegmentRuntimeSizeAndRomSize)
{
    struct {
        std::uint16_t segment;
        std::uint8_t rom;
        const char *address_lines;
        const char *rom_line;
    } cases[] = {
        {0xE000, 0x00, "\tAddress: 0xE0000\n\tRuntime Size: 128 kB\n", "\tROM Size: 64 kB\n"},
        {0xF000, 0x1F, "\tAddress: 0xF0000\n\tRuntime Size: 64 kB\n", "\tROM Size: 2048 kB\n"},
        {0xFFF1, 0x0F, "\tAddress: 0xFFF10\n\tRuntime Size: 240 bytes\n", "\tROM Size: 1024 kB\n"},
        {0x0001, 0x01, "\tAddress: 0x00010\n\tRuntime Size: 1048560 bytes\n", "\tROM Size: 128 kB\n"},
        {0x0000, 0xFF, "", "\tROM Size: 16384 kB\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.segment);
        auto a = bios_area(c.segment, c.rom, 0).truncated(18);
        EXPECT_EQ(decode_one(a.structure(0, bios_strings)),
                  std::string(bios_head) + c.address_lines + c.rom_line + "\tCharacteristics:\n\n");
    }
}

TEST(BiosInformation, CharacteristicsAndExtensionBytes)
{
    struct {
        unsigned length;
        std::uint32_t characteristics;
        std::uint8_t x1, x2;
        const char *lines;
    } cases[] = {
        // Bit 3 hides every other bit of the DWORD.
        {18, 0xFFFFFFFF, 0, 0, "\t\tBIOS characteristics not supported\n"},
        {18, 0x80000097, 0, 0, "\t\tISA is supported\n\t\tPCI is supported\n\t\tNEC PC-98\n"},
        {18, 0x00000000, 0xFF, 0xFF, ""},
        {19, 0x00000010, 0x81, 0x18, "\t\tISA is supported\n\t\tACPI is supported\n\t\tSmart battery is supported\n"},
        {20, 0x00000010, 0x81, 0xF8,
         "\t\tISA is supported\n\t\tACPI is supported\n\t\tSmart battery is supported\n"
         "\t\tUEFI is supported\n\t\tSystem is a virtual machine\n"},
        {20, 0x00000008, 0x02, 0x01,
         "\t\tBIOS characteristics not supported\n\t\tUSB legacy is supported\n"
         "\t\tBIOS boot specification is supported\n"},
        {20, 0x00080000, 0x00, 0x02,
         "\t\tEDD is supported\n\t\tFunction key-initiated network boot is supported\n"},
        {18, 0x08000000, 0, 0, "\t\t8042 keyboard services are supported (int 9h)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " " << std::hex << c.characteristics);
        auto a = bios_area(0, 0, c.characteristics).byte(0x12, c.x1).byte(0x13, c.x2).truncated(c.length);
        EXPECT_EQ(decode_one(a.structure(0, bios_strings)),
                  std::string(bios_head) + "\tROM Size: 64 kB\n\tCharacteristics:\n" + c.lines + "\n");
    }
}

TEST(BiosInformation, RevisionsFromLength24UnlessFF)
{
    struct {
        unsigned length;
        std::uint8_t rev[4];
        const char *lines;
    } cases[] = {
        {24, {2, 15, 4, 6}, "\tBIOS Revision: 2.15\n\tFirmware Revision: 4.6\n"},
        {24, {0xFF, 0, 1, 0xFF}, ""},
        {24, {0, 0xFF, 0, 0}, "\tFirmware Revision: 0.0\n"},
        {23, {2, 15, 4, 6}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        auto a = bios_area(0, 0, 0).fill(0x14, {c.rev[0], c.rev[1], c.rev[2], c.rev[3]}).truncated(c.length);
        EXPECT_EQ(decode_one(a.structure(0, bios_strings)),
                  std::string(bios_head) + "\tROM Size: 64 kB\n\tCharacteristics:\n" + c.lines + "\n");
    }
}

TEST(SystemInformation, LengthGates)
{
    formatted_area a(1, 27);
    a.byte(0x04, 1).byte(0x05, 2).byte(0x06, 3).byte(0x07, 4);
    a.fill(0x08, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF});
    a.byte(0x18, 6).byte(0x19, 5).byte(0x1A, 6);
    const std::vector<std::string> strings = {"Supermicro", "H8QG6", "1234567890", "0123456789",
                                              "To be filled by O.E.M.", "Server"};
    const std::vector<gated_line> lines = {
        {8, ANY_LENGTH, "\tManufacturer: Supermicro\n\tProduct Name: H8QG6\n\tVersion: 1234567890\n"
                        "\tSerial Number: 0123456789\n"},
        {25, ANY_LENGTH, "\tUUID: 33221100-5544-7766-8899-AABBCCDDEEFF\n\tWake-up Type: Power Switch\n"},
        {27, ANY_LENGTH, "\tSKU Number: To be filled by O.E.M.\n\tFamily: Server\n"},
    };
    for (unsigned length = 7; length <= 27; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(1, strings), 0x0206),
                  gated_output("System Information\n", lines, length));
    }
    // Before 2.6 the UUID prints in stored byte order.
    EXPECT_NE(decode_one(a.structure(1, strings), 0x0205).find("\tUUID: 00112233-4455-6677-8899-AABBCCDDEEFF\n"),
              std::string::npos);
}

TEST(SystemInformation, UuidMarkersAndWakeUpTypes)
{
    struct {
        std::uint8_t uuid_fill;
        std::uint8_t wake;
        const char *lines;
    } cases[] = {
        {0xFF, 0x00, "\tUUID: Not Present\n\tWake-up Type: Reserved\n"},
        {0x00, 0x08, "\tUUID: Not Settable\n\tWake-up Type: AC Power Restored\n"},
        {0x00, 0x09, "\tUUID: Not Settable\n\tWake-up Type: <OUT OF SPEC>\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        formatted_area a(1, 25);
        a.fill(0x08, bytes(16, c.uuid_fill)).byte(0x18, c.wake);
        EXPECT_EQ(decode_one(a.structure(1)),
                  std::string("System Information\n\tManufacturer: Not Specified\n\tProduct Name: Not Specified\n"
                              "\tVersion: Not Specified\n\tSerial Number: Not Specified\n") +
                      c.lines + "\n");
    }
}

namespace {

formatted_area base_board_area()
{
    formatted_area a(2, 19);
    a.byte(0x04, 1).byte(0x05, 2).byte(0x06, 3).byte(0x07, 4).byte(0x08, 5);
    a.byte(0x09, 0xE9); // hosting, replaceable, and three bits without a name
    a.byte(0x0A, 6).word(0x0B, 0x0003).byte(0x0D, 0x0A);
    a.byte(0x0E, 2).word(0x0F, 0x0010).word(0x11, 0x0011);
    return a;
}

const std::vector<std::string> board_strings = {"Supermicro", "H8QG6", "1.01", "WM123", "Default string",
                                                "Part Component"};

} // namespace

TEST(BaseBoardInformation, LengthGatesAndQuietHandles)
{
    const std::vector<gated_line> lines = {
        {8, ANY_LENGTH, "\tManufacturer: Supermicro\n\tProduct Name: H8QG6\n\tVersion: 1.01\n"
                        "\tSerial Number: WM123\n"},
        {9, ANY_LENGTH, "\tAsset Tag: Default string\n"},
        {10, ANY_LENGTH, "\tFeatures:\n\t\tBoard is a hosting board\n\t\tBoard is replaceable\n"},
        {14, ANY_LENGTH, "\tLocation In Chassis: Part Component\n\tChassis Handle: 0x0003\n\tType: Motherboard\n"},
        // Two contained handles need 15 + 2 * 2 bytes.
        {19, ANY_LENGTH, "\tContained Object Handles: 2\n\t\t0x0010\n\t\t0x0011\n"},
    };
    auto a = base_board_area();
    for (unsigned length = 7; length <= 19; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(2, board_strings)),
                  gated_output("Base Board Information\n", lines, length));
    }
    EXPECT_EQ(decode_one(a.structure(2, board_strings), 0x0300, MODE_QUIET),
              "Base Board Information\n\tManufacturer: Supermicro\n\tProduct Name: H8QG6\n\tVersion: 1.01\n"
              "\tSerial Number: WM123\n\tAsset Tag: Default string\n"
              "\tFeatures:\n\t\tBoard is a hosting board\n\t\tBoard is replaceable\n"
              "\tLocation In Chassis: Part Component\n\tType: Motherboard\n\n");
}

TEST(BaseBoardInformation, FeaturesTypesAndEmptyHandleList)
{
    struct {
        std::uint8_t features, board_type;
        const char *lines;
    } cases[] = {
        {0xE0, 0x01, "\tFeatures: None\n\tLocation In Chassis: Not Specified\n\tChassis Handle: 0xFFFF\n\tType: Unknown\n"},
        {0x16, 0x0D, "\tFeatures:\n\t\tBoard requires at least one daughter board\n\t\tBoard is removable\n"
                     "\t\tBoard is hot swappable\n\tLocation In Chassis: Not Specified\n\tChassis Handle: 0xFFFF\n"
                     "\tType: Interconnect Board\n"},
        {0x00, 0x00, "\tFeatures: None\n\tLocation In Chassis: Not Specified\n\tChassis Handle: 0xFFFF\n"
                     "\tType: <OUT OF SPEC>\n"},
        {0x00, 0x0E, "\tFeatures: None\n\tLocation In Chassis: Not Specified\n\tChassis Handle: 0xFFFF\n"
                     "\tType: <OUT OF SPEC>\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        formatted_area a(2, 15);
        a.byte(0x09, c.features).word(0x0B, 0xFFFF).byte(0x0D, c.board_type).byte(0x0E, 0);
        EXPECT_EQ(decode_one(a.structure(2)),
                  std::string("Base Board Information\n\tManufacturer: Not Specified\n\tProduct Name: Not Specified\n"
                              "\tVersion: Not Specified\n\tSerial Number: Not Specified\n\tAsset Tag: Not Specified\n") +
                      c.lines + "\tContained Object Handles: 0\n\n");
    }
}

namespace {

formatted_area chassis_area()
{
    formatted_area a(3, 28);
    a.byte(0x04, 1).byte(0x05, 0x97).byte(0x06, 2).byte(0x07, 3).byte(0x08, 4);
    a.byte(0x09, 3).byte(0x0A, 3).byte(0x0B, 1).byte(0x0C, 3);
    a.dword(0x0D, 0x0000ABCD).byte(0x11, 2).byte(0x12, 2);
    a.byte(0x13, 2).byte(0x14, 3).fill(0x15, {0x84, 1, 4, 0x0A, 2, 2}).byte(0x1B, 5);
    return a;
}

const std::vector<std::string> chassis_strings = {"Supermicro", "0123456789", "SN", "Asset", "SKU-1"};

const char chassis_head[] = "Chassis Information\n\tManufacturer: Not Specified\n";
const char chassis_strings_unset[] = "\tVersion: Not Specified\n\tSerial Number: Not Specified\n"
                                     "\tAsset Tag: Not Specified\n";

} // namespace

TEST(ChassisInformation, LengthGates)
{
    const std::vector<gated_line> lines = {
        {9, ANY_LENGTH, "\tManufacturer: Supermicro\n\tType: Rack Mount Chassis\n\tLock: Present\n"
                        "\tVersion: 0123456789\n\tSerial Number: SN\n\tAsset Tag: Asset\n"},
        {13, ANY_LENGTH, "\tBoot-up State: Safe\n\tPower Supply State: Safe\n\tThermal State: Other\n"
                         "\tSecurity Status: None\n"},
        {17, ANY_LENGTH, "\tOEM Information: 0x0000ABCD\n"},
        {19, ANY_LENGTH, "\tHeight: 2 U\n\tNumber Of Power Cords: 2\n"},
        // Two 3-byte elements need 21 + 6 bytes, the SKU string number one more.
        {27, ANY_LENGTH, "\tContained Elements: 2\n\t\tProcessor (1-4)\n\t\tMotherboard (2)\n"},
        {28, ANY_LENGTH, "\tSKU Number: SKU-1\n"},
    };
    auto a = chassis_area();
    for (unsigned length = 8; length <= 28; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(3, chassis_strings)),
                  gated_output("Chassis Information\n", lines, length));
    }
}

TEST(ChassisInformation, TypeLockAndStateTables)
{
    struct {
        std::uint8_t type_byte, state, security;
        const char *type_lines;
        const char *state_lines;
    } cases[] = {
        {0x00, 0x00, 0x00, "\tType: <OUT OF SPEC>\n\tLock: Not Present\n",
         "\tBoot-up State: <OUT OF SPEC>\n\tPower Supply State: <OUT OF SPEC>\n\tThermal State: <OUT OF SPEC>\n"
         "\tSecurity Status: <OUT OF SPEC>\n"},
        {0x01, 0x06, 0x05, "\tType: Other\n\tLock: Not Present\n",
         "\tBoot-up State: Non-recoverable\n\tPower Supply State: Non-recoverable\n"
         "\tThermal State: Non-recoverable\n\tSecurity Status: External Interface Enabled\n"},
        {0xA0, 0x07, 0x06, "\tType: Detachable\n\tLock: Present\n",
         "\tBoot-up State: <OUT OF SPEC>\n\tPower Supply State: <OUT OF SPEC>\n\tThermal State: <OUT OF SPEC>\n"
         "\tSecurity Status: <OUT OF SPEC>\n"},
        {0x21, 0x04, 0x04, "\tType: <OUT OF SPEC>\n\tLock: Not Present\n",
         "\tBoot-up State: Warning\n\tPower Supply State: Warning\n\tThermal State: Warning\n"
         "\tSecurity Status: External Interface Locked Out\n"},
        {0x80, 0x05, 0x02, "\tType: <OUT OF SPEC>\n\tLock: Present\n",
         "\tBoot-up State: Critical\n\tPower Supply State: Critical\n\tThermal State: Critical\n"
         "\tSecurity Status: Unknown\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type_lines);
        formatted_area a(3, 13);
        a.byte(0x05, c.type_byte).byte(0x09, c.state).byte(0x0A, c.state).byte(0x0B, c.state).byte(0x0C, c.security);
        EXPECT_EQ(decode_one(a.structure(3)),
                  std::string(chassis_head) + c.type_lines + chassis_strings_unset + c.state_lines + "\n");
    }
    EXPECT_STREQ(chassis_type_name(0x17), "Rack Mount Chassis");
    EXPECT_STREQ(chassis_type_name(32), "Detachable");
    EXPECT_STREQ(chassis_type_name(33), "<OUT OF SPEC>");
    EXPECT_STREQ(chassis_type_name(0), "<OUT OF SPEC>");
}

TEST(ChassisInformation, HeightCordsAndContainedElements)
{
    struct {
        std::uint8_t height, cords, count, record;
        bytes elements;
        std::uint8_t length;
        const char *lines;
    } cases[] = {
        {0, 0, 0, 0, {}, 21, "\tHeight: Unspecified\n\tNumber Of Power Cords: Unspecified\n\tContained Elements: 0\n"},
        {42, 1, 3, 3, {0xAA, 0, 1, 0xAB, 5, 5, 0x00, 7, 3}, 30,
         "\tHeight: 42 U\n\tNumber Of Power Cords: 1\n\tContained Elements: 3\n"
         "\t\tManagement Controller Host Interface (0-1)\n\t\t<OUT OF SPEC> (5)\n\t\t<OUT OF SPEC> (7-3)\n"},
        {1, 1, 2, 4, {0x0D, 1, 1, 0xEE, 0x0E, 0, 2, 0xEE}, 29,
         "\tHeight: 1 U\n\tNumber Of Power Cords: 1\n\tContained Elements: 2\n"
         "\t\tInterconnect Board (1)\n\t\t<OUT OF SPEC> (0-2)\n"},
        // Records too short to carry the counts show only the number of elements.
        {1, 1, 2, 2, {0x84, 1, 0x84, 2}, 25, "\tHeight: 1 U\n\tNumber Of Power Cords: 1\n\tContained Elements: 2\n"},
        // Elements that do not fit the structure are left out altogether.
        {1, 1, 2, 3, {0x84, 1, 1, 0x84}, 25, "\tHeight: 1 U\n\tNumber Of Power Cords: 1\n"},
        {1, 1, 5, 0, {}, 21, "\tHeight: 1 U\n\tNumber Of Power Cords: 1\n\tContained Elements: 5\n"},
        {1, 1, 5, 0, {1}, 22, "\tHeight: 1 U\n\tNumber Of Power Cords: 1\n\tContained Elements: 5\n\tSKU Number: Rack\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        formatted_area a(3, c.length);
        a.byte(0x11, c.height).byte(0x12, c.cords).byte(0x13, c.count).byte(0x14, c.record).fill(0x15, c.elements);
        EXPECT_EQ(decode_one(a.structure(3, {"Rack"})),
                  std::string(chassis_head) + "\tType: <OUT OF SPEC>\n\tLock: Not Present\n" + chassis_strings_unset +
                      "\tBoot-up State: <OUT OF SPEC>\n\tPower Supply State: <OUT OF SPEC>\n"
                      "\tThermal State: <OUT OF SPEC>\n\tSecurity Status: <OUT OF SPEC>\n"
                      "\tOEM Information: 0x00000000\n" +
                      c.lines + "\n");
    }
}

TEST(StructureTypeNames, WholeRange)
{
    EXPECT_STREQ(structure_type_name(0), "BIOS");
    EXPECT_STREQ(structure_type_name(17), "Memory Device");
    EXPECT_STREQ(structure_type_name(42), "Management Controller Host Interface");
    EXPECT_STREQ(structure_type_name(43), "<OUT OF SPEC>");
    EXPECT_STREQ(structure_type_name(127), "<OUT OF SPEC>");
}
