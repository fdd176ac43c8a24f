// Processor Information (type 4): family names, CPUID signature forms, flags.
#include "smbios/types_processor.h"
#include "smbios/format.h"
#include "smbios/names.h"
#include "smbios/option_state.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Sorted by code for bisection; 0xBE (ambiguous, resolved by manufacturer)
// and 0xFE (see the family-2 word) are not in it.
constexpr auto families = std::to_array<code_name>({
    {0x01, "Other"}, {0x02, "Unknown"}, {0x03, "8086"}, {0x04, "80286"}, {0x05, "80386"},
    {0x06, "80486"}, {0x07, "8087"}, {0x08, "80287"}, {0x09, "80387"}, {0x0A, "80487"},
    {0x0B, "Pentium"}, {0x0C, "Pentium Pro"}, {0x0D, "Pentium II"}, {0x0E, "Pentium MMX"},
    {0x0F, "Celeron"}, {0x10, "Pentium II Xeon"}, {0x11, "Pentium III"}, {0x12, "M1"},
    {0x13, "M2"}, {0x14, "Celeron M"}, {0x15, "Pentium 4 HT"}, {0x18, "Duron"}, {0x19, "K5"},
    {0x1A, "K6"}, {0x1B, "K6-2"}, {0x1C, "K6-3"}, {0x1D, "Athlon"}, {0x1E, "AMD29000"},
    {0x1F, "K6-2+"}, {0x20, "Power PC"}, {0x21, "Power PC 601"}, {0x22, "Power PC 603"},
    {0x23, "Power PC 603+"}, {0x24, "Power PC 604"}, {0x25, "Power PC 620"},
    {0x26, "Power PC x704"}, {0x27, "Power PC 750"}, {0x28, "Core Duo"}, {0x29, "Core Duo Mobile"},
    {0x2A, "Core Solo Mobile"}, {0x2B, "Atom"}, {0x2C, "Core M"}, {0x30, "Alpha"},
    {0x31, "Alpha 21064"}, {0x32, "Alpha 21066"}, {0x33, "Alpha 21164"}, {0x34, "Alpha 21164PC"},
    {0x35, "Alpha 21164a"}, {0x36, "Alpha 21264"}, {0x37, "Alpha 21364"},
    {0x38, "Turion II Ultra Dual-Core Mobile M"}, {0x39, "Turion II Dual-Core Mobile M"},
    {0x3A, "Athlon II Dual-Core M"}, {0x3B, "Opteron 6100"}, {0x3C, "Opteron 4100"},
    {0x3D, "Opteron 6200"}, {0x3E, "Opteron 4200"}, {0x3F, "FX"}, {0x40, "MIPS"},
    {0x41, "MIPS R4000"}, {0x42, "MIPS R4200"}, {0x43, "MIPS R4400"}, {0x44, "MIPS R4600"},
    {0x45, "MIPS R10000"}, {0x46, "C-Series"}, {0x47, "E-Series"}, {0x48, "A-Series"},
    {0x49, "G-Series"}, {0x4A, "Z-Series"}, {0x4B, "R-Series"}, {0x4C, "Opteron 4300"},
    {0x4D, "Opteron 6300"}, {0x4E, "Opteron 3300"}, {0x4F, "FirePro"}, {0x50, "SPARC"},
    {0x51, "SuperSPARC"}, {0x52, "MicroSPARC II"}, {0x53, "MicroSPARC IIep"}, {0x54, "UltraSPARC"},
    {0x55, "UltraSPARC II"}, {0x56, "UltraSPARC IIi"}, {0x57, "UltraSPARC III"},
    {0x58, "UltraSPARC IIIi"}, {0x60, "68040"}, {0x61, "68xxx"}, {0x62, "68000"}, {0x63, "68010"},
    {0x64, "68020"}, {0x65, "68030"}, {0x66, "Athlon X4"}, {0x67, "Opteron X1000"},
    {0x68, "Opteron X2000"}, {0x70, "Hobbit"}, {0x78, "Crusoe TM5000"}, {0x79, "Crusoe TM3000"},
    {0x7A, "Efficeon TM8000"}, {0x80, "Weitek"}, {0x82, "Itanium"}, {0x83, "Athlon 64"},
    {0x84, "Opteron"}, {0x85, "Sempron"}, {0x86, "Turion 64"}, {0x87, "Dual-Core Opteron"},
    {0x88, "Athlon 64 X2"}, {0x89, "Turion 64 X2"}, {0x8A, "Quad-Core Opteron"},
    {0x8B, "Third-Generation Opteron"}, {0x8C, "Phenom FX"}, {0x8D, "Phenom X4"},
    {0x8E, "Phenom X2"}, {0x8F, "Athlon X2"}, {0x90, "PA-RISC"}, {0x91, "PA-RISC 8500"},
    {0x92, "PA-RISC 8000"}, {0x93, "PA-RISC 7300LC"}, {0x94, "PA-RISC 7200"},
    {0x95, "PA-RISC 7100LC"}, {0x96, "PA-RISC 7100"}, {0xA0, "V30"}, {0xA1, "Quad-Core Xeon 3200"},
    {0xA2, "Dual-Core Xeon 3000"}, {0xA3, "Quad-Core Xeon 5300"}, {0xA4, "Dual-Core Xeon 5100"},
    {0xA5, "Dual-Core Xeon 5000"}, {0xA6, "Dual-Core Xeon LV"}, {0xA7, "Dual-Core Xeon ULV"},
    {0xA8, "Dual-Core Xeon 7100"}, {0xA9, "Quad-Core Xeon 5400"}, {0xAA, "Quad-Core Xeon"},
    {0xAB, "Dual-Core Xeon 5200"}, {0xAC, "Dual-Core Xeon 7200"}, {0xAD, "Quad-Core Xeon 7300"},
    {0xAE, "Quad-Core Xeon 7400"}, {0xAF, "Multi-Core Xeon 7400"}, {0xB0, "Pentium III Xeon"},
    {0xB1, "Pentium III Speedstep"}, {0xB2, "Pentium 4"}, {0xB3, "Xeon"}, {0xB4, "AS400"},
    {0xB5, "Xeon MP"}, {0xB6, "Athlon XP"}, {0xB7, "Athlon MP"}, {0xB8, "Itanium 2"},
    {0xB9, "Pentium M"}, {0xBA, "Celeron D"}, {0xBB, "Pentium D"}, {0xBC, "Pentium EE"},
    {0xBD, "Core Solo"}, {0xBF, "Core 2 Duo"}, {0xC0, "Core 2 Solo"}, {0xC1, "Core 2 Extreme"},
    {0xC2, "Core 2 Quad"}, {0xC3, "Core 2 Extreme Mobile"}, {0xC4, "Core 2 Duo Mobile"},
    {0xC5, "Core 2 Solo Mobile"}, {0xC6, "Core i7"}, {0xC7, "Dual-Core Celeron"}, {0xC8, "IBM390"},
    {0xC9, "G4"}, {0xCA, "G5"}, {0xCB, "ESA/390 G6"}, {0xCC, "z/Architectur"}, {0xCD, "Core i5"},
    {0xCE, "Core i3"}, {0xD2, "C7-M"}, {0xD3, "C7-D"}, {0xD4, "C7"}, {0xD5, "Eden"},
    {0xD6, "Multi-Core Xeon"}, {0xD7, "Dual-Core Xeon 3xxx"}, {0xD8, "Quad-Core Xeon 3xxx"},
    {0xD9, "Nano"}, {0xDA, "Dual-Core Xeon 5xxx"}, {0xDB, "Quad-Core Xeon 5xxx"},
    {0xDD, "Dual-Core Xeon 7xxx"}, {0xDE, "Quad-Core Xeon 7xxx"}, {0xDF, "Multi-Core Xeon 7xxx"},
    {0xE0, "Multi-Core Xeon 3400"}, {0xE4, "Opteron 3000"}, {0xE5, "Sempron II"},
    {0xE6, "Embedded Opteron Quad-Core"}, {0xE7, "Phenom Triple-Core"},
    {0xE8, "Turion Ultra Dual-Core Mobile"}, {0xE9, "Turion Dual-Core Mobile"},
    {0xEA, "Athlon Dual-Core"}, {0xEB, "Sempron SI"}, {0xEC, "Phenom II"}, {0xED, "Athlon II"},
    {0xEE, "Six-Core Opteron"}, {0xEF, "Sempron M"}, {0xFA, "i860"}, {0xFB, "i960"},
    {0x104, "SH-3"}, {0x105, "SH-4"}, {0x118, "ARM"}, {0x119, "StrongARM"}, {0x12C, "6x86"},
    {0x12D, "MediaGX"}, {0x12E, "MII"}, {0x140, "WinChip"}, {0x15E, "DSP"},
    {0x1F4, "Video Processor"},
});
static_assert(families.size() == 202);
static_assert(sorted_by_code<code_name>(families));

constexpr names_from processor_types{0x01,
    "Other", "Unknown", "Central Processor", "Math Processor", "DSP Processor", "Video Processor"};
static_assert(std::size(processor_types.names) == 6);

// Status bits 0..2.
constexpr names_from cpu_status{0,
    "Unknown", "Enabled", "Disabled By User", "Disabled By BIOS", "Idle", OUT_OF_SPEC, OUT_OF_SPEC,
    "Other"};
static_assert(std::size(cpu_status.names) == 8);

// Upgrades 0x01..0x30.
constexpr names_from upgrades{0x01,
    "Other", "Unknown", "Daughter Board", "ZIF Socket", "Replaceable Piggy Back", "None",
    "LIF Socket", "Slot 1", "Slot 2", "370-pin Socket", "Slot A", "Slot M", "Socket 423",
    "Socket A (Socket 462)", "Socket 478", "Socket 754", "Socket 940", "Socket 939",
    "Socket mPGA604", "Socket LGA771", "Socket LGA775", "Socket S1", "Socket AM2",
    "Socket F (1207)", "Socket LGA1366", "Socket G34", "Socket AM3", "Socket C32",
    "Socket LGA1156", "Socket LGA1567", "Socket PGA988A", "Socket BGA1288", "Socket rPGA988B",
    "Socket BGA1023", "Socket BGA1224", "Socket BGA1155", "Socket LGA1356", "Socket LGA2011",
    "Socket FS1", "Socket FS2", "Socket FM1", "Socket FM2", "Socket LGA2011-3",
    "Socket LGA1356-3", "Socket LGA1150", "Socket BGA1168", "Socket BGA1234", "Socket BGA1364"};
static_assert(std::size(upgrades.names) == 48);

// CPUID leaf 1 EDX bits 0..31; reserved bits have no name and never print.
constexpr names_from cpu_flags{0,
    "FPU (Floating-point unit on-chip)", "VME (Virtual mode extension)",
    "DE (Debugging extension)", "PSE (Page size extension)", "TSC (Time stamp counter)",
    "MSR (Model specific registers)", "PAE (Physical address extension)",
    "MCE (Machine check exception)", "CX8 (CMPXCHG8 instruction supported)",
    "APIC (On-chip APIC hardware supported)", nullptr, "SEP (Fast system call)",
    "MTRR (Memory type range registers)", "PGE (Page global enable)",
    "MCA (Machine check architecture)", "CMOV (Conditional move instruction supported)",
    "PAT (Page attribute table)", "PSE-36 (36-bit page size extension)",
    "PSN (Processor serial number present and enabled)", "CLFSH (CLFLUSH instruction supported)",
    nullptr, "DS (Debug store)", "ACPI (ACPI supported)", "MMX (MMX technology supported)",
    "FXSR (FXSAVE and FXSTOR instructions supported)", "SSE (Streaming SIMD extensions)",
    "SSE2 (Streaming SIMD extensions 2)", "SS (Self-snoop)", "HTT (Multi-threading)",
    "TM (Thermal monitor supported)", nullptr, "PBE (Pending break enabled)"};
static_assert(std::size(cpu_flags.names) == 32);
constexpr std::uint32_t named_flags = 0xBFEFFBFF;

// Characteristics bits 2..7.
constexpr names_from cpu_characteristics{0x02,
    "64-bit capable", "Multi-Core", "Hardware Thread", "Execute Protection",
    "Enhanced Virtualization", "Power/Performance Control"};
static_assert(std::size(cpu_characteristics.names) == 6);

enum class signature_form { none, intel, amd };

struct family_range {
    std::uint8_t low, high;
    signature_form form;
};

// Families whose ID field holds a CPUID leaf 1 EAX/EDX pair.
constexpr auto signature_families = std::to_array<family_range>({
    {0x0B, 0x15, signature_form::intel}, {0x18, 0x1D, signature_form::amd},
    {0x1F, 0x1F, signature_form::amd},   {0x28, 0x2B, signature_form::intel},
    {0x38, 0x3F, signature_form::amd},   {0x46, 0x4F, signature_form::amd},
    {0x83, 0x8F, signature_form::amd},   {0xA1, 0xB3, signature_form::intel},
    {0xB5, 0xB5, signature_form::intel}, {0xB6, 0xB7, signature_form::amd},
    {0xB9, 0xC7, signature_form::intel}, {0xCD, 0xCE, signature_form::intel},
    {0xD2, 0xDB, signature_form::intel}, {0xDD, 0xE0, signature_form::intel},
    {0xE4, 0xEF, signature_form::amd}});

struct version_prefix {
    std::string_view text;
    bool exact;
    signature_form form;
};

// For the "Other" and "Unknown" families the version string tells the form.
constexpr auto version_forms = std::to_array<version_prefix>({
    {"Pentium III MMX", false, signature_form::intel},
    {"Intel(R) Core(TM)2", false, signature_form::intel},
    {"Intel(R) Pentium(R)", false, signature_form::intel},
    {"Genuine Intel(R) CPU U1400", true, signature_form::intel},
    {"AMD Athlon(TM)", false, signature_form::amd},
    {"AMD Opteron(tm)", false, signature_form::amd},
    {"Dual-Core AMD Opteron(tm)", false, signature_form::amd}});

bool starts_with_ignoring_case(const char *text, const char *prefix)
{
    for (; *prefix; text++, prefix++) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(*text) != lower(*prefix))
            return false;
    }
    return true;
}

// The manufacturer names the maker when it contains the name anywhere or
// begins with it in any case.
bool names_maker(const char *manufacturer, const char *maker)
{
    return std::strstr(manufacturer, maker) != nullptr || starts_with_ignoring_case(manufacturer, maker);
}

signature_form form_of(const smbios_structure &s)
{
    std::uint8_t family = s.data[0x06];
    if (family == 0x01 || family == 0x02) {
        std::string_view version = structure_string(s, s.data[0x10]);
        for (const auto &v : version_forms)
            if (v.exact ? version == v.text : version.starts_with(v.text))
                return v.form;
        return signature_form::none;
    }
    for (const auto &r : signature_families)
        if (family >= r.low && family <= r.high)
            return r.form;
    return signature_form::none;
}

void print_signature_and_flags(const smbios_structure &s)
{
    const std::uint8_t *d = s.data;
    std::uint8_t family = d[0x06];
    std::uint16_t w = word_at(d + 0x08);
    if (family == 0x05) {
        std::printf("\tSignature: Type %u, Family %u, Major Stepping %u, Minor Stepping %u\n",
                    w >> 12 & 0xF, w >> 8 & 0xF, w >> 4 & 0xF, w & 0xF);
        return;
    }
    signature_form form;
    if (family == 0x06) {
        // Only late 80486 steppings report CPUID with flags.
        bool cpuid = (w & 0x0F00) == 0x0400 && ((w & 0x00F0) == 0x40 || (w & 0x00F0) >= 0x70) &&
                     (w & 0x000F) >= 3;
        if (!cpuid) {
            std::printf("\tSignature: Type %u, Family %u, Model %u, Stepping %u\n",
                        w >> 12 & 0x3, w >> 8 & 0xF, w >> 4 & 0xF, w & 0xF);
            return;
        }
        form = signature_form::intel;
    } else {
        form = form_of(s);
    }
    std::uint32_t e = dword_at(d + 0x08);
    if (form == signature_form::intel) {
        std::printf("\tSignature: Type %u, Family %u, Model %u, Stepping %u\n", e >> 12 & 0x3,
                    (e >> 8 & 0xF) + (e >> 20 & 0xFF), (e >> 12 & 0xF0) + (e >> 4 & 0xF), e & 0xF);
    } else if (form == signature_form::amd) {
        std::uint32_t f = e >> 8 & 0xF;
        std::uint32_t model = e >> 4 & 0xF;
        if (f == 0xF) {
            model |= e >> 12 & 0xF0;
            f += e >> 20 & 0xFF;
        }
        std::printf("\tSignature: Family %u, Model %u, Stepping %u\n", f, model, e & 0xF);
    } else {
        return;
    }
    std::uint32_t flags = dword_at(d + 0x0C);
    std::printf("\tFlags:");
    if ((flags & named_flags) == 0) {
        std::printf(" None\n");
        return;
    }
    std::printf("\n");
    print_bit_list(flags, cpu_flags);
}

// A count byte of 0xFF defers to its 16-bit field when the structure has it.
void print_count(const smbios_structure &s, const char *label, unsigned byte_offset, unsigned word_offset)
{
    unsigned count = s.data[byte_offset];
    if (count == 0)
        return;
    if (count == 0xFF && s.length >= word_offset + 2)
        count = word_at(s.data + word_offset);
    std::printf("\t%s: %u\n", label, count);
}

} // namespace

const char *processor_family_name(const smbios_structure &s, std::uint16_t version)
{
    // The string path may hand over a structure that ends before the family byte.
    if (s.length < 7)
        return OUT_OF_SPEC;
    const std::uint8_t *d = s.data;
    // SMBIOS 2.0 tables used 0x30 for the Pentium Pro.
    if (version == 0x0200 && d[0x06] == 0x30 && s.length >= 8 &&
        names_maker(structure_string(s, d[0x07]), "Intel"))
        return "Pentium Pro";
    unsigned code = d[0x06];
    if (code == 0xFE && s.length >= 42)
        code = word_at(d + 0x28);
    if (code == 0xBE) {
        if (s.length < 8)
            return "Core 2 or K7";
        const char *manufacturer = structure_string(s, d[0x07]);
        if (names_maker(manufacturer, "Intel"))
            return "Core 2";
        if (names_maker(manufacturer, "AMD"))
            return "K7";
        return "Core 2 or K7";
    }
    return name_of(families, code);
}

void decode_processor(const smbios_structure &s, std::uint16_t version)
{
    const std::uint8_t *d = s.data;
    std::printf("\tSocket Designation: %s\n", structure_string(s, d[0x04]));
    std::printf("\tType: %s\n", name_of(processor_types, d[0x05]));
    std::printf("\tFamily: %s\n", processor_family_name(s, version));
    std::printf("\tManufacturer: %s\n", structure_string(s, d[0x07]));
    std::printf("\tID: %02X %02X %02X %02X %02X %02X %02X %02X\n", d[0x08], d[0x09], d[0x0A], d[0x0B],
                d[0x0C], d[0x0D], d[0x0E], d[0x0F]);
    print_signature_and_flags(s);
    std::printf("\tVersion: %s\n", structure_string(s, d[0x10]));
    std::printf("\tVoltage:");
    print_voltage_code(d[0x11]);
    std::printf("\n");
    std::printf("\tExternal Clock: ");
    print_mhz(word_at(d + 0x12));
    std::printf("\n\tMax Speed: ");
    print_mhz(word_at(d + 0x14));
    std::printf("\n\tCurrent Speed: ");
    print_mhz(word_at(d + 0x16));
    std::printf("\n");
    if (d[0x18] & 0x40)
        std::printf("\tStatus: Populated, %s\n", name_of(cpu_status, d[0x18] & 0x07));
    else
        std::printf("\tStatus: Unpopulated\n");
    std::printf("\tUpgrade: %s\n", name_of(upgrades, d[0x19]));
    if (s.length >= 32 && !decoder_quiet()) {
        std::printf("\tL1 Cache Handle:");
        print_cache_handle(word_at(d + 0x1A), "L1", version);
        std::printf("\n\tL2 Cache Handle:");
        print_cache_handle(word_at(d + 0x1C), "L2", version);
        std::printf("\n\tL3 Cache Handle:");
        print_cache_handle(word_at(d + 0x1E), "L3", version);
        std::printf("\n");
    }
    if (s.length >= 35) {
        std::printf("\tSerial Number: %s\n", structure_string(s, d[0x20]));
        std::printf("\tAsset Tag: %s\n", structure_string(s, d[0x21]));
        std::printf("\tPart Number: %s\n", structure_string(s, d[0x22]));
    }
    if (s.length >= 40) {
        print_count(s, "Core Count", 0x23, 0x2A);
        print_count(s, "Core Enabled", 0x24, 0x2C);
        print_count(s, "Thread Count", 0x25, 0x2E);
        std::uint16_t c = word_at(d + 0x26);
        std::printf("\tCharacteristics:");
        if ((c & 0x00FC) == 0) {
            std::printf(" None\n");
        } else {
            std::printf("\n");
            print_bit_list(c, cpu_characteristics);
        }
    }
}
