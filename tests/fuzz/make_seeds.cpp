// Writes the seed corpora of the fuzz targets, one folder per target, from the
// benchmark's synthetic server tables and hand-made structures of every type.
// Usage: make_seeds <folder>
#include "bench/sample_table.h"
#include "cu/settings_list.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path root;

void seed(const char *target, const bytes &data)
{
    static int n = 0;
    fs::path dir = root / target;
    fs::create_directories(dir);
    char name[32];
    std::snprintf(name, sizeof name, "seed-%04d", n++);
    std::FILE *f = std::fopen((dir / name).string().c_str(), "wb");
    if (!f || (!data.empty() && std::fwrite(data.data(), data.size(), 1, f) != 1) || std::fclose(f) != 0) {
        std::perror((dir / name).string().c_str());
        std::exit(1);
    }
}

void seed(const char *target, const std::string &text) { seed(target, bytes(text.begin(), text.end())); }

// Input of the table target: version, announced count, walk flags, table.
bytes table_input(const smbios_table &t, std::uint16_t version, bool stop_at_end)
{
    bytes b = {static_cast<std::uint8_t>(version >> 8), static_cast<std::uint8_t>(version)};
    put_word(b, static_cast<std::uint16_t>(t.count));
    b.push_back(stop_at_end ? 2 : 0);
    b.insert(b.end(), t.data.begin(), t.data.end());
    return b;
}

// A structure of `type` whose formatted area is `length` bytes of varied
// values, with string numbers 1 to 3 sprinkled in.
bytes varied_structure(std::uint8_t type, std::uint8_t length, std::uint32_t &state)
{
    bytes body;
    for (int i = 4; i < length; i++) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        body.push_back(i % 5 == 0 ? static_cast<std::uint8_t>(1 + i % 3) : static_cast<std::uint8_t>(state));
    }
    return structure(type, static_cast<std::uint16_t>(type << 8 | length), body, {"First", "Second", "Third"});
}

// Formatted-area lengths that the structure types take in the various
// versions, plus a short one for each.
struct type_lengths {
    std::uint8_t type;
    std::vector<std::uint8_t> lengths;
};
const std::vector<type_lengths> known_lengths = {
    {0, {0x12, 0x14, 0x18, 0x1A}}, {1, {0x08, 0x19, 0x1B}}, {2, {0x08, 0x0F, 0x13}},
    {3, {0x09, 0x0D, 0x15, 0x16}}, {4, {0x1A, 0x20, 0x23, 0x28, 0x2A, 0x30, 0x32}},
    {5, {0x0F, 0x16}}, {6, {0x0C}}, {7, {0x0F, 0x13, 0x1B}}, {8, {0x09}},
    {9, {0x0C, 0x0D, 0x11, 0x13, 0x18}}, {10, {0x06, 0x0A}}, {11, {0x05}}, {12, {0x05}},
    {13, {0x16}}, {14, {0x08, 0x0B}}, {15, {0x14, 0x17, 0x1D}}, {16, {0x0F, 0x17}},
    {17, {0x15, 0x1B, 0x1C, 0x22, 0x28, 0x54, 0x5C}}, {18, {0x17}}, {19, {0x0F, 0x1F}},
    {20, {0x13, 0x23}}, {21, {0x07}}, {22, {0x10, 0x1A}}, {23, {0x0D}}, {24, {0x05}},
    {25, {0x09}}, {26, {0x14, 0x16}}, {27, {0x0C, 0x0E, 0x0F}}, {28, {0x14, 0x16}},
    {29, {0x14, 0x16}}, {30, {0x06}}, {31, {0x1A}}, {32, {0x0B, 0x14}}, {33, {0x1F}},
    {34, {0x0B, 0x10}}, {35, {0x0B}}, {36, {0x10}}, {37, {0x0A, 0x10}}, {38, {0x10, 0x12}},
    {39, {0x10, 0x16}}, {40, {0x0B, 0x10}}, {41, {0x0B}}, {42, {0x0B, 0x10, 0x20}},
    {43, {0x1F}}, {44, {0x06, 0x0C}}, {45, {0x18}}, {46, {0x09}},
    {126, {0x10}}, {127, {0x04}}, {0x80, {0x08}}, {0x81, {0x08}}, {0x82, {0x10}},
    {0x88, {0x0A}}, {0xC0, {0x10}}, {0xC1, {0x0B}}, {0xC2, {0x0C}}, {0xC3, {0x14}},
    {0xC5, {0x0F}}, {0xC6, {0x0E}}, {0xC7, {0x16}}, {0xC8, {0x0C}}, {0xCA, {0x0A}},
    {0xCC, {0x0F}}, {0xD3, {0x0F}}, {0xD4, {0x0E}}, {0xD8, {0x0C}}, {0xDD, {0x10}},
    {0xDE, {0x10}}, {0xE0, {0x0E}}, {0xE2, {0x12}}, {0xE3, {0x14}}, {0xE6, {0x0B}},
    {0xE9, {0x0C}}, {0xEA, {0x0B}}, {0xEC, {0x0F}}, {0xEE, {0x0E}}, {0xF0, {0x0E}},
    {0xF3, {0x0A}}, {0xF4, {0x0E}}, {0xF5, {0x0D}},
};

void table_seeds()
{
    for (std::uint16_t version : {0x0203, 0x0206, 0x0208, 0x0300, 0x0304, 0x0307}) {
        smbios_table t = sample_table(0);
        seed("table", table_input(t, version, version >= 0x0300));
    }
    for (const bytes &s : sample_structures()) {
        smbios_table t;
        t.add(s).end_of_table();
        seed("table", table_input(t, 0x0304, false));
    }
    std::uint32_t state = 0x2545F491;
    for (const type_lengths &k : known_lengths) {
        for (std::uint16_t version : {0x0206, 0x0304}) {
            smbios_table t;
            for (std::uint8_t length : k.lengths)
                t.add(varied_structure(k.type, length, state));
            t.add(varied_structure(k.type, 5, state));
            t.end_of_table();
            seed("table", table_input(t, version, false));
        }
    }

    // Broken tables: a length below 4, the management-device length defect,
    // strings that run into the end of the table, a count that overstates.
    smbios_table broken;
    broken.add(sample_structures()[0]).add(bytes{4, 3, 0, 0, 0, 0});
    seed("table", table_input(broken, 0x0208, false));
    smbios_table defect;
    defect.add(structure(34, 0x22, {1, 3, 0x10, 0, 0, 0, 'A', 'B', 'C', 'D', 'E', 'F'}, {"LM78"}));
    defect.add(sample_structures()[1]).end_of_table();
    seed("table", table_input(defect, 0x0208, false));
    smbios_table open_strings;
    open_strings.add(sample_structures()[2]);
    open_strings.data.resize(open_strings.data.size() - 2);
    seed("table", table_input(open_strings, 0x0300, false));
    smbios_table overstated = sample_table(0);
    overstated.count += 5;
    seed("table", table_input(overstated, 0x0208, false));
}

void dump_seeds()
{
    smbios_table t = sample_table(2000);
    seed("dump", dump_sm3(t, 3, 0));
    seed("dump", dump_sm3(t, 3, 4));
    for (auto [major, minor] : {std::pair{2, 8}, {2, 31}, {2, 33}, {2, 51}, {3, 0}})
        seed("dump", dump_sm(t, static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)));
    seed("dump", dump_dmi(t, 0x21));
    seed("dump", dump_dmi(sample_table(0), 0x20));
    bytes no_entry(32, 0);
    no_entry.insert(no_entry.end(), t.data.begin(), t.data.end());
    seed("dump", no_entry);
}

// Input of the scan target: the start of the area at 0xF0000.
bytes area_with(std::initializer_list<std::pair<std::size_t, bytes>> pieces)
{
    bytes area;
    for (const auto &[offset, data] : pieces) {
        if (area.size() < offset + data.size())
            area.resize(offset + data.size(), 0);
        std::copy(data.begin(), data.end(), area.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return area;
}

void scan_seeds()
{
    smbios_table t = sample_table(1500);
    const std::size_t table_at = 0x400;
    const std::uint32_t address = 0xF0000 + table_at;
    seed("scan", area_with({{0x100, entry_sm(t, address)}, {table_at, t.data}}));
    seed("scan", area_with({{0x100, entry_sm(t, address, 2, 51)}, {table_at, t.data}}));
    seed("scan", area_with({{0x100, entry_sm3(t, address)}, {table_at, t.data}}));
    seed("scan", area_with({{0x100, entry_dmi(t, address)}, {table_at, t.data}}));
    seed("scan", area_with({{0x40, entry_dmi(t, address)}, {0x100, entry_sm(t, address)}, {table_at, t.data}}));
    seed("scan", area_with({{0xFFF0, entry_sm(t, address)}, {table_at, t.data}}));
    seed("scan", area_with({{0x100, entry_sm(t, 0x100000)}}));
}

void firmware_table_seeds()
{
    for (std::size_t size : {std::size_t{0}, std::size_t{1500}}) {
        smbios_table t = sample_table(size);
        bytes b = {0, 3, 4, 0};
        put_dword(b, static_cast<std::uint32_t>(t.data.size()));
        b.insert(b.end(), t.data.begin(), t.data.end());
        seed("firmware_table", b);
    }
    bytes overstated = {0, 2, 8, 0};
    put_dword(overstated, 0x10000);
    bytes s = sample_structures()[0];
    overstated.insert(overstated.end(), s.begin(), s.end());
    seed("firmware_table", overstated);
}

void version_seeds()
{
    for (const char *v : {"5.3", "5.3.1", "5", "1.2.3.4", "1.2.3.4.5", "5..3", ".5.3.", "1.256", "",
                          ".", "5.x", " 5.+3", "-1.2", "4294967296.1", "0.0.0.1", "128.0"})
        seed("version", std::string(v));
}

void prompt_seeds()
{
    // First byte: prompt kind (low two bits) and parameters.
    const std::string int_lines = "\n2600\n 2600\n2600ab\n2550\n3300\nword\n1234567\n230\n262\n263\n";
    const std::string yes_no_lines = "yes\nYES\nYes\nno\ny\n yes\nyes please\n\n";
    const std::string decimal_lines = "12.5\n+12.5\n1.25e1\n12\n-12.5\n100\n15.5\n15.7\n0\n\n";
    const std::string choice_lines = "10x\n10X\n10x \nauto\n11x\n9x\n\nabcdefghij\n";
    for (unsigned p = 0; p < 4; p++) {
        seed("prompt", std::string(1, static_cast<char>(p << 2 | 0)) + int_lines);
        seed("prompt", std::string(1, static_cast<char>(p << 2 | 1)) + yes_no_lines);
        seed("prompt", std::string(1, static_cast<char>(p << 2 | 2)) + decimal_lines);
        seed("prompt", std::string(1, static_cast<char>(p << 2 | 3)) + choice_lines);
    }
    seed("prompt", std::string("\x01yes"));    // end of input inside a line
}

// Input of the settings target: the processor (family -1, 1, 6, 16 by the
// low two bits, lock 0, 1, -1 by the next), the stored image, then the text.
bytes settings_input(unsigned processor, const config_image &image, const std::string &text)
{
    bytes b = {static_cast<std::uint8_t>(processor)};
    b.insert(b.end(), image.begin(), image.end());
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

void settings_seeds()
{
    // The records of the listing tests: any bits, combinations the dialogue
    // never makes, values off its grid, a boot-failure mark, none at all.
    const nvram_config records[] = {
        CFG_DEFAULTS,
        {262, 0xFFF, 2500, 3, 3, 7, 31},
        {214, CFG_NOXMP | CFG_XMP_NOMERGE | CFG_MEM_1T | CFG_MULTI_ALLP, 2900, 1, 0, 0, 0},
        {263, CFG_PSTATE_FREE | CFG_MULTI_ALLP, 3200, 5, 1, 2, 9},
        {230, CFG_NOXMP | CFG_HT_ALT, 2800, 2, 3, 5, 8},
    };
    const int families[] = {-1, 1, 6, 16}, locks[] = {0, 1, -1};
    for (unsigned p = 0; p < 12; p++) {
        processor_facts cpu = {families[p % 4], locks[p / 4]};
        for (const nvram_config &r : records) {
            config_image image = encode_config(r);
            nvram_config loaded = r;
            apply_cpu_constraints(&loaded, cpu);
            char *text = nullptr;
            std::size_t size = 0;
            std::FILE *out = open_memstream(&text, &size);
            print_listing(out, CONFIG_VALID, &image, r, loaded, cpu);
            std::fclose(out);
            seed("settings", settings_input(p, image, std::string(text, size)));
            std::free(text);
        }
    }
    config_image reset;
    reset.fill(0xFF);
    config_image marked = encode_config(records[1]);
    marked[5] ^= 0xFF;
    for (const std::string &text :
         {std::string("refclock=stock\n"), std::string("# saved\nxmp=no\n\nht-cap = 2800 \r\n\tdimm-1v5=yes\n"),
          std::string("\xEF\xBB\xBFXMP=No\r\nNb-Multiplier=10X\r\n"), std::string("force-1t=yes\n"),
          std::string("fast-memory=yes\nforce-1t=yes\n"), std::string("core-multiplier=4\npstate-lock=no\nall-pstates=yes\n"),
          std::string("xmp=no\nxmp=yes\n"), std::string("root:x:0:0:root:/root:/bin/sh\n"),
          std::string("core-multiplier=+1.50\nnb-multiplier=5\nrefclock=263\n")}) {
        seed("settings", settings_input(0, encode_config(CFG_DEFAULTS), text));
        seed("settings", settings_input(5, marked, text));
        seed("settings", settings_input(10, reset, text));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    root = argv[1];
    table_seeds();
    dump_seeds();
    scan_seeds();
    firmware_table_seeds();
    version_seeds();
    prompt_seeds();
    settings_seeds();
    return 0;
}
