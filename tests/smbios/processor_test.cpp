// Processor Information: family names, signature forms, flags, length gates.
#include "smbios/formatted_area.h"

#include "smbios/format.h"
#include "smbios/types_processor.h"
#include "smbios/options.h"

#include <gtest/gtest.h>

using namespace area_fixture;

namespace {

// An Opteron 6276 in a G34 socket, as a 3.0 table describes it.
formatted_area opteron_area()
{
    formatted_area a(4, 48);
    a.byte(0x04, 1).byte(0x05, 3).byte(0x06, 0x3D).byte(0x07, 2);
    a.dword(0x08, 0x00600F12).dword(0x0C, 0x178BFBFF);
    a.byte(0x10, 3).byte(0x11, 0x8C).word(0x12, 200).word(0x14, 3200).word(0x16, 2300);
    a.byte(0x18, 0x41).byte(0x19, 0x1A);
    a.word(0x1A, 0x0005).word(0x1C, 0x0006).word(0x1E, 0x0007);
    a.byte(0x20, 4).byte(0x21, 5).byte(0x22, 6);
    a.byte(0x23, 0xFF).byte(0x24, 0xFF).byte(0x25, 0xFF);
    a.word(0x26, 0x01EF); // bits 0, 1 and 8 have no name
    a.word(0x28, 0x003D).word(0x2A, 16).word(0x2C, 12).word(0x2E, 32);
    return a;
}

const std::vector<std::string> opteron_strings = {"CPU1", "AMD", "AMD Opteron(tm) Processor 6276", "SN1", "AT1", "PN1"};

const std::vector<gated_line> opteron_lines = {
    {26, ANY_LENGTH,
     "\tSocket Designation: CPU1\n\tType: Central Processor\n\tFamily: Opteron 6200\n\tManufacturer: AMD\n"
     "\tID: 12 0F 60 00 FF FB 8B 17\n\tSignature: Family 21, Model 1, Stepping 2\n\tFlags:\n"
     "\t\tFPU (Floating-point unit on-chip)\n\t\tVME (Virtual mode extension)\n\t\tDE (Debugging extension)\n"
     "\t\tPSE (Page size extension)\n\t\tTSC (Time stamp counter)\n\t\tMSR (Model specific registers)\n"
     "\t\tPAE (Physical address extension)\n\t\tMCE (Machine check exception)\n"
     "\t\tCX8 (CMPXCHG8 instruction supported)\n\t\tAPIC (On-chip APIC hardware supported)\n"
     "\t\tSEP (Fast system call)\n\t\tMTRR (Memory type range registers)\n\t\tPGE (Page global enable)\n"
     "\t\tMCA (Machine check architecture)\n\t\tCMOV (Conditional move instruction supported)\n"
     "\t\tPAT (Page attribute table)\n\t\tPSE-36 (36-bit page size extension)\n"
     "\t\tCLFSH (CLFLUSH instruction supported)\n\t\tMMX (MMX technology supported)\n"
     "\t\tFXSR (FXSAVE and FXSTOR instructions supported)\n\t\tSSE (Streaming SIMD extensions)\n"
     "\t\tSSE2 (Streaming SIMD extensions 2)\n\t\tHTT (Multi-threading)\n"
     "\tVersion: AMD Opteron(tm) Processor 6276\n\tVoltage: 1.2 V\n\tExternal Clock: 200 MHz\n"
     "\tMax Speed: 3200 MHz\n\tCurrent Speed: 2300 MHz\n\tStatus: Populated, Enabled\n\tUpgrade: Socket G34\n"},
    {32, ANY_LENGTH, "\tL1 Cache Handle: 0x0005\n\tL2 Cache Handle: 0x0006\n\tL3 Cache Handle: 0x0007\n"},
    {35, ANY_LENGTH, "\tSerial Number: SN1\n\tAsset Tag: AT1\n\tPart Number: PN1\n"},
    // A count byte of 0xFF is replaced by its word once the structure holds it.
    {40, 43, "\tCore Count: 255\n"},
    {44, ANY_LENGTH, "\tCore Count: 16\n"},
    {40, 45, "\tCore Enabled: 255\n"},
    {46, ANY_LENGTH, "\tCore Enabled: 12\n"},
    {40, 47, "\tThread Count: 255\n"},
    {48, ANY_LENGTH, "\tThread Count: 32\n"},
    {40, ANY_LENGTH,
     "\tCharacteristics:\n\t\t64-bit capable\n\t\tMulti-Core\n\t\tExecute Protection\n"
     "\t\tEnhanced Virtualization\n\t\tPower/Performance Control\n"},
};

// The lines between the ID line and the Version line: signature and flags.
std::string signature_lines(const std::string &out)
{
    auto id = out.find("\tID: ");
    auto start = out.find('\n', id) + 1;
    return out.substr(start, out.find("\tVersion: ") - start);
}

} // namespace

TEST(ProcessorInformation, LengthGates)
{
    auto a = opteron_area();
    for (unsigned length = 25; length <= 48; length++) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode_one(a.truncated(length).structure(4, opteron_strings)),
                  gated_output("Processor Information\n", opteron_lines, length));
    }
}

TEST(ProcessorInformation, CacheHandlesByVersionAndQuietMode)
{
    auto a = opteron_area().word(0x1A, 0xFFFF).word(0x1C, 0xFFFF).word(0x1E, 0x0009).truncated(32);
    auto s = a.structure(4, opteron_strings);
    auto tail = [](const std::string &out) { return out.substr(out.find("\tUpgrade: ")); };
    EXPECT_EQ(tail(decode_one(s, 0x0202)),
              "\tUpgrade: Socket G34\n\tL1 Cache Handle: No L1 Cache\n\tL2 Cache Handle: No L2 Cache\n"
              "\tL3 Cache Handle: 0x0009\n\n");
    EXPECT_EQ(tail(decode_one(s, 0x0203)),
              "\tUpgrade: Socket G34\n\tL1 Cache Handle: Not Provided\n\tL2 Cache Handle: Not Provided\n"
              "\tL3 Cache Handle: 0x0009\n\n");
    EXPECT_EQ(tail(decode_one(s, 0x0300, MODE_QUIET)), "\tUpgrade: Socket G34\n\n");
}

TEST(ProcessorInformation, ZeroCountsAndNoCharacteristics)
{
    struct {
        std::uint8_t core, enabled, threads;
        std::uint16_t characteristics;
        const char *lines;
    } cases[] = {
        {0, 0, 0, 0x0103, "\tCharacteristics: None\n"},
        {4, 0, 8, 0x0004, "\tCore Count: 4\n\tThread Count: 8\n\tCharacteristics:\n\t\t64-bit capable\n"},
        {0, 0xFF, 0, 0x0080, "\tCore Enabled: 255\n\tCharacteristics:\n\t\tPower/Performance Control\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        auto a = opteron_area().byte(0x23, c.core).byte(0x24, c.enabled).byte(0x25, c.threads);
        a.word(0x26, c.characteristics);
        auto out = decode_one(a.truncated(40).structure(4, opteron_strings));
        EXPECT_EQ(out.substr(out.find("\tPart Number: PN1\n") + 18), std::string(c.lines) + "\n");
    }
}

TEST(ProcessorInformation, TypeStatusUpgradeAndSpeeds)
{
    struct {
        std::uint8_t type, voltage, status, upgrade;
        std::uint16_t speed;
        const char *type_line;
        const char *tail;
    } cases[] = {
        {0x00, 0x00, 0x40, 0x00, 0, "\tType: <OUT OF SPEC>\n",
         "\tVoltage: Unknown\n\tExternal Clock: Unknown\n\tMax Speed: Unknown\n\tCurrent Speed: Unknown\n"
         "\tStatus: Populated, Unknown\n\tUpgrade: <OUT OF SPEC>\n"},
        {0x06, 0x02, 0x47, 0x01, 100, "\tType: Video Processor\n",
         "\tVoltage: 3.3 V\n\tExternal Clock: 100 MHz\n\tMax Speed: 100 MHz\n\tCurrent Speed: 100 MHz\n"
         "\tStatus: Populated, Other\n\tUpgrade: Other\n"},
        {0x07, 0x05, 0x45, 0x30, 1, "\tType: <OUT OF SPEC>\n",
         "\tVoltage: 5.0 V 2.9 V\n\tExternal Clock: 1 MHz\n\tMax Speed: 1 MHz\n\tCurrent Speed: 1 MHz\n"
         "\tStatus: Populated, <OUT OF SPEC>\n\tUpgrade: Socket BGA1364\n"},
        {0x01, 0x08, 0x44, 0x31, 0, "\tType: Other\n",
         "\tVoltage:\n\tExternal Clock: Unknown\n\tMax Speed: Unknown\n\tCurrent Speed: Unknown\n"
         "\tStatus: Populated, Idle\n\tUpgrade: <OUT OF SPEC>\n"},
        {0x02, 0x80, 0xBF, 0x06, 0, "\tType: Unknown\n",
         "\tVoltage: 0.0 V\n\tExternal Clock: Unknown\n\tMax Speed: Unknown\n\tCurrent Speed: Unknown\n"
         "\tStatus: Unpopulated\n\tUpgrade: None\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type_line);
        formatted_area a(4, 26);
        a.byte(0x05, c.type).byte(0x06, 0x30).byte(0x11, c.voltage).byte(0x18, c.status).byte(0x19, c.upgrade);
        a.word(0x12, c.speed).word(0x14, c.speed).word(0x16, c.speed);
        EXPECT_EQ(decode_one(a.structure(4)),
                  std::string("Processor Information\n\tSocket Designation: Not Specified\n") + c.type_line +
                      "\tFamily: Alpha\n\tManufacturer: Not Specified\n\tID: 00 00 00 00 00 00 00 00\n"
                      "\tVersion: Not Specified\n" +
                      c.tail + "\n");
    }
}

TEST(ProcessorFamily, NamesByCodeVersionAndManufacturer)
{
    constexpr int NO_WORD = -1;
    struct {
        std::uint16_t version;
        unsigned length;
        std::uint8_t family;
        int family2;
        const char *manufacturer; // null: string number 0
        const char *expected;
    } cases[] = {
        {0x0300, 26, 0x3D, NO_WORD, "AMD", "Opteron 6200"},
        {0x0300, 26, 0x01, NO_WORD, "AMD", "Other"},
        {0x0300, 26, 0x00, NO_WORD, "AMD", "<OUT OF SPEC>"},
        {0x0300, 26, 0x16, NO_WORD, "AMD", "<OUT OF SPEC>"},
        {0x0300, 26, 0x2C, NO_WORD, "Intel", "Core M"},
        {0x0300, 26, 0x2D, NO_WORD, "Intel", "<OUT OF SPEC>"},
        {0x0300, 26, 0xCC, NO_WORD, "IBM", "z/Architectur"},
        {0x0300, 26, 0xEF, NO_WORD, "AMD", "Sempron M"},
        {0x0300, 26, 0xFB, NO_WORD, "Intel", "i960"},
        {0x0300, 26, 0xFF, NO_WORD, "Intel", "<OUT OF SPEC>"},
        // 0xFE defers to the family-2 word, when the structure has one.
        {0x0300, 42, 0xFE, 0x0104, nullptr, "SH-3"},
        {0x0300, 42, 0xFE, 0x01F4, nullptr, "Video Processor"},
        {0x0300, 42, 0xFE, 0x01F5, nullptr, "<OUT OF SPEC>"},
        {0x0300, 42, 0xFE, 0x00FE, nullptr, "<OUT OF SPEC>"},
        {0x0300, 42, 0xFE, 0x003D, nullptr, "Opteron 6200"},
        {0x0300, 41, 0xFE, NO_WORD, nullptr, "<OUT OF SPEC>"},
        {0x0300, 42, 0xFE, 0x00BE, "AMD", "K7"},
        {0x0300, 48, 0x3D, 0x0104, "AMD", "Opteron 6200"},
        // 0xBE names whichever maker the manufacturer string names.
        {0x0300, 26, 0xBE, NO_WORD, "AMD", "K7"},
        {0x0300, 26, 0xBE, NO_WORD, "amd64 Inc.", "K7"},
        {0x0300, 26, 0xBE, NO_WORD, "Advanced Micro Devices", "Core 2 or K7"},
        {0x0300, 26, 0xBE, NO_WORD, "Intel", "Core 2"},
        {0x0300, 26, 0xBE, NO_WORD, "GenuineIntel", "Core 2"},
        {0x0300, 26, 0xBE, NO_WORD, "INTEL Corp.", "Core 2"},
        {0x0300, 26, 0xBE, NO_WORD, "xintel", "Core 2 or K7"},
        {0x0300, 26, 0xBE, NO_WORD, "AMD or Intel", "Core 2"},
        {0x0300, 26, 0xBE, NO_WORD, "VIA", "Core 2 or K7"},
        {0x0300, 26, 0xBE, NO_WORD, nullptr, "Core 2 or K7"},
        {0x0300, 7, 0xBE, NO_WORD, nullptr, "Core 2 or K7"},
        // 0x30 meant the Pentium Pro in 2.0 tables only.
        {0x0200, 26, 0x30, NO_WORD, "Intel", "Pentium Pro"},
        {0x0200, 26, 0x30, NO_WORD, "intel corporation", "Pentium Pro"},
        {0x0200, 26, 0x30, NO_WORD, "GenuineIntel", "Pentium Pro"},
        {0x0200, 26, 0x30, NO_WORD, "AMD", "Alpha"},
        {0x0201, 26, 0x30, NO_WORD, "Intel", "Alpha"},
        {0x0300, 26, 0x30, NO_WORD, "Intel", "Alpha"},
        {0x0200, 7, 0x30, NO_WORD, nullptr, "Alpha"},
        // A string-path structure that ends before the family byte.
        {0x0300, 6, 0x3D, NO_WORD, nullptr, "<OUT OF SPEC>"},
        {0x0300, 7, 0x0B, NO_WORD, nullptr, "Pentium"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.family) << " " << c.family2 << " length "
                                        << std::dec << c.length << " " << (c.manufacturer ? c.manufacturer : ""));
        formatted_area a(4, 48);
        a.byte(0x06, c.family);
        if (c.manufacturer)
            a.byte(0x07, 1);
        if (c.family2 != NO_WORD)
            a.word(0x28, static_cast<std::uint16_t>(c.family2));
        std::vector<std::string> strings;
        if (c.manufacturer)
            strings.push_back(c.manufacturer);
        else
            strings.push_back("Intel"); // present but not referenced
        bytes b = a.truncated(c.length).structure(4, strings);
        EXPECT_STREQ(processor_family_name(view_of(b), c.version), c.expected);
    }
}

TEST(ProcessorSignature, FormByFamilyCode)
{
    const std::string intel = "\tSignature: Type 0, Family 16, Model 4, Stepping 2\n\tFlags: None\n";
    const std::string amd = "\tSignature: Family 16, Model 4, Stepping 2\n\tFlags: None\n";
    struct {
        std::uint8_t family;
        const std::string *form; // null: no signature
    } cases[] = {
        {0x0A, nullptr}, {0x0B, &intel}, {0x15, &intel}, {0x16, nullptr}, {0x17, nullptr}, {0x18, &amd},
        {0x1D, &amd},   {0x1E, nullptr}, {0x1F, &amd},   {0x27, nullptr}, {0x28, &intel}, {0x2B, &intel},
        {0x2C, nullptr}, {0x37, nullptr}, {0x38, &amd},  {0x3F, &amd},   {0x40, nullptr}, {0x45, nullptr},
        {0x46, &amd},   {0x4F, &amd},   {0x50, nullptr}, {0x82, nullptr}, {0x83, &amd},   {0x8F, &amd},
        {0x90, nullptr}, {0xA0, nullptr}, {0xA1, &intel}, {0xB3, &intel}, {0xB4, nullptr}, {0xB5, &intel},
        {0xB6, &amd},   {0xB7, &amd},   {0xB8, nullptr}, {0xB9, &intel}, {0xBE, &intel}, {0xC7, &intel},
        {0xC8, nullptr}, {0xCC, nullptr}, {0xCD, &intel}, {0xCE, &intel}, {0xCF, nullptr}, {0xD1, nullptr},
        {0xD2, &intel}, {0xDB, &intel}, {0xDC, nullptr}, {0xDD, &intel}, {0xE0, &intel}, {0xE1, nullptr},
        {0xE3, nullptr}, {0xE4, &amd},   {0xEF, &amd},   {0xF0, nullptr}, {0xFE, nullptr}, {0x30, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.family));
        formatted_area a(4, 26);
        a.byte(0x06, c.family).dword(0x08, 0x00100F42);
        EXPECT_EQ(signature_lines(decode_one(a.structure(4))), c.form ? *c.form : "");
    }
}

TEST(ProcessorSignature, FieldsAndFlags)
{
    struct {
        std::uint8_t family;
        std::uint32_t eax, edx;
        const char *lines;
    } cases[] = {
        {0x3D, 0x00100F42, 0x00000000, "\tSignature: Family 16, Model 4, Stepping 2\n\tFlags: None\n"},
        // Extended family and model count only with base family 0xF.
        {0x1D, 0x00FF0652, 0x00000001,
         "\tSignature: Family 6, Model 5, Stepping 2\n\tFlags:\n\t\tFPU (Floating-point unit on-chip)\n"},
        {0xB6, 0x00020FC2, 0x40100400, "\tSignature: Family 15, Model 44, Stepping 2\n\tFlags: None\n"},
        {0xC6, 0x000206A7, 0x80000401,
         "\tSignature: Type 0, Family 6, Model 42, Stepping 7\n\tFlags:\n"
         "\t\tFPU (Floating-point unit on-chip)\n\t\tPBE (Pending break enabled)\n"},
        {0xB3, 0x01A32F41, 0x28640000,
         "\tSignature: Type 2, Family 41, Model 52, Stepping 1\n\tFlags:\n"
         "\t\tPSN (Processor serial number present and enabled)\n\t\tDS (Debug store)\n"
         "\t\tACPI (ACPI supported)\n\t\tSS (Self-snoop)\n\t\tTM (Thermal monitor supported)\n"},
        // 80386: a 16-bit signature of its own and never flags.
        {0x05, 0xFFFF1234, 0xFFFFFFFF, "\tSignature: Type 1, Family 2, Major Stepping 3, Minor Stepping 4\n"},
        // 80486: only the later steppings report CPUID and flags.
        {0x06, 0x00004432, 0x00000001, "\tSignature: Type 0, Family 4, Model 3, Stepping 2\n"},
        {0x06, 0x00003435, 0x00000001, "\tSignature: Type 3, Family 4, Model 3, Stepping 5\n"},
        {0x06, 0x00000442, 0x00000001, "\tSignature: Type 0, Family 4, Model 4, Stepping 2\n"},
        {0x06, 0x00000463, 0x00000001, "\tSignature: Type 0, Family 4, Model 6, Stepping 3\n"},
        {0x06, 0x00000573, 0x00000001, "\tSignature: Type 0, Family 5, Model 7, Stepping 3\n"},
        {0x06, 0x00000443, 0x00000000, "\tSignature: Type 0, Family 4, Model 4, Stepping 3\n\tFlags: None\n"},
        {0x06, 0x00310483, 0x00000001,
         "\tSignature: Type 0, Family 7, Model 24, Stepping 3\n\tFlags:\n\t\tFPU (Floating-point unit on-chip)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.family) << " " << c.eax);
        formatted_area a(4, 26);
        a.byte(0x06, c.family).dword(0x08, c.eax).dword(0x0C, c.edx);
        EXPECT_EQ(signature_lines(decode_one(a.structure(4))), c.lines);
    }
}

TEST(ProcessorSignature, OtherAndUnknownFamiliesGoByVersionString)
{
    const std::string intel = "\tSignature: Type 0, Family 16, Model 4, Stepping 2\n\tFlags: None\n";
    const std::string amd = "\tSignature: Family 16, Model 4, Stepping 2\n\tFlags: None\n";
    struct {
        std::uint8_t family;
        const char *version; // null: string number 0
        const std::string *form;
    } cases[] = {
        {0x02, "Intel(R) Core(TM)2 Duo CPU T7500", &intel},
        {0x01, "Pentium III MMX", &intel},
        {0x02, "Intel(R) Pentium(R) 4 CPU 3.00GHz", &intel},
        {0x02, "Genuine Intel(R) CPU U1400", &intel},
        {0x02, "Genuine Intel(R) CPU U1400 @ 1.20GHz", nullptr},
        {0x01, "AMD Athlon(TM) XP 2000+", &amd},
        {0x02, "AMD Opteron(tm) Processor 6276", &amd},
        {0x02, "Dual-Core AMD Opteron(tm) Processor 2218", &amd},
        {0x02, "amd opteron(tm) processor", nullptr},
        {0x02, "Intel(R) Xeon(R) CPU E5-2670", nullptr},
        {0x02, nullptr, nullptr},
        {0x03, "Intel(R) Core(TM)2 Duo CPU T7500", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version ? c.version : "no version");
        formatted_area a(4, 26);
        a.byte(0x06, c.family).dword(0x08, 0x00100F42).byte(0x10, c.version ? 1 : 0);
        std::vector<std::string> strings;
        if (c.version)
            strings.push_back(c.version);
        EXPECT_EQ(signature_lines(decode_one(a.structure(4, strings))), c.form ? *c.form : "");
    }
}
