// HP and Acer structures, chosen by the maker named in System Information.
#include "smbios/oem.h"
#include "smbios/format.h"
#include "smbios/strings.h"
#include "smbios/structure.h"

#include <array>
#include <cstdio>
#include <cstring>

oem_vendor_id oem_vendor = OEM_NONE;

namespace {

// True when the first n characters of the text match the first n of the
// name, its terminating zero included: the text is a prefix of the name.
bool prefix_of(const char *text, std::size_t n, const char *name)
{
    return std::strncmp(text, name, n) == 0;
}

void decode_hp_rack_locator(const smbios_structure &s, std::uint16_t)
{
    std::printf("\tRack Name: %s\n", string_at(s, 0x04));
    std::printf("\tEnclosure Name: %s\n", string_at(s, 0x05));
    std::printf("\tEnclosure Model: %s\n", string_at(s, 0x06));
    std::printf("\tEnclosure Serial: %s\n", string_at(s, 0x0A));
    std::printf("\tEnclosure Bays: %d\n", s.data[0x08]);
    std::printf("\tServer Bay: %s\n", string_at(s, 0x07));
    std::printf("\tBays Filled: %d\n", s.data[0x09]);
}

// A list of 8-byte NIC records from offset 4; only whole records are read.
void decode_hp_nic_list(const smbios_structure &s, std::uint16_t)
{
    int nic = 1;
    for (unsigned o = 0x04; o + 8 <= s.length; o += 8, nic++) {
        const std::uint8_t *r = s.data + o;
        std::uint8_t devfn = r[0], bus = r[1];
        if (devfn == 0x00 && bus == 0x00)
            std::printf("\tNIC %d: Disabled\n", nic);
        else if (devfn == 0xFF && bus == 0xFF)
            std::printf("\tNIC %d: Not Installed\n", nic);
        else
            std::printf("\tNIC %d: PCI device %02x:%02x.%x, MAC address %02X:%02X:%02X:%02X:%02X:%02X\n",
                        nic, bus, devfn >> 3, devfn & 7, r[2], r[3], r[4], r[5], r[6], r[7]);
    }
}

void decode_hp_cru(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::uint32_t signature = dword_at(d + 0x04);
    std::printf("\tSignature: 0x%08x", signature);
    if (all_printable(d + 0x04, 4))
        std::printf(" (%c%c%c%c)", d[0x04], d[0x05], d[0x06], d[0x07]);
    std::printf("\n");
    if (signature != 0x55524324) // "$CRU"
        return;
    std::uint64_t address = qword_at(d + 0x08) + dword_at(d + 0x14);
    std::printf("\tPhysical Address: 0x%08x%08x\n", static_cast<unsigned>(address >> 32),
                static_cast<unsigned>(address & 0xFFFFFFFF));
    std::printf("\tLength: 0x%08x\n", dword_at(d + 0x10));
}

void decode_hp_proliant(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    if (s.length >= 8)
        std::printf("\tPower Features: 0x%08x\n", dword_at(d + 0x04));
    if (s.length >= 12)
        std::printf("\tOmega Features: 0x%08x\n", dword_at(d + 0x08));
    if (s.length >= 20) {
        std::uint32_t f = dword_at(d + 0x10);
        std::printf("\tMisc. Features: 0x%08x\n", f);
        std::printf("\t\tiCRU: %s\n", f & 0x001 ? "Yes" : "No");
        std::printf("\t\tUEFI: %s\n", f & 0x408 ? "Yes" : "No");
    }
}

void decode_acer_hotkeys(const smbios_structure &s, std::uint16_t)
{
    const std::uint8_t *d = s.data;
    std::uint16_t w = word_at(d + 0x04);
    std::printf("\tFunction bitmap for Communication Button: 0x%04hx\n", w);
    std::printf("\t\tWiFi: %s\n", w & 0x0001 ? "Yes" : "No");
    std::printf("\t\t3G: %s\n", w & 0x0040 ? "Yes" : "No");
    std::printf("\t\tWiMAX: %s\n", w & 0x0080 ? "Yes" : "No");
    std::printf("\t\tBluetooth: %s\n", w & 0x0800 ? "Yes" : "No");
    std::printf("\tFunction bitmap for Application Button: 0x%04hx\n", word_at(d + 0x06));
    std::printf("\tFunction bitmap for Media Button: 0x%04hx\n", word_at(d + 0x08));
    std::printf("\tFunction bitmap for Display Button: 0x%04hx\n", word_at(d + 0x0A));
    std::printf("\tFunction bitmap for Others Button: 0x%04hx\n", word_at(d + 0x0C));
    std::printf("\tCommunication Function Key Number: %d\n", d[0x0E]);
}

constexpr auto hp_structure_types = std::to_array<structure_type>({
    {204, nullptr, "HP ProLiant System/Rack Locator", 11, 0, decode_hp_rack_locator},
    {209, nullptr, "HP BIOS PXE NIC PCI and MAC Information", 0, 0, decode_hp_nic_list},
    {212, nullptr, "HP 64-bit CRU Information", 24, 0, decode_hp_cru},
    {219, nullptr, "HP ProLiant Information", 0, 0, decode_hp_proliant},
    {221, nullptr, "HP BIOS iSCSI NIC PCI and MAC Information", 0, 0, decode_hp_nic_list},
});
static_assert(sorted_by_code<structure_type>(hp_structure_types));

constexpr auto acer_structure_types = std::to_array<structure_type>({
    {170, nullptr, "Acer Hotkey Function", 15, 0, decode_acer_hotkeys},
});

} // namespace

void set_oem_vendor(const char *manufacturer)
{
    std::size_t n = std::strlen(manufacturer);
    while (n > 0 && manufacturer[n - 1] == ' ')
        n--;
    // An all-blank manufacturer counts as HP.
    if (n == 0 || prefix_of(manufacturer, n, "HP") || prefix_of(manufacturer, n, "Hewlett-Packard"))
        oem_vendor = OEM_HP;
    else if (prefix_of(manufacturer, n, "Acer"))
        oem_vendor = OEM_ACER;
}

std::span<const structure_type> oem_structure_types()
{
    switch (oem_vendor) {
    case OEM_HP: return hp_structure_types;
    case OEM_ACER: return acer_structure_types;
    case OEM_NONE: break;
    }
    return {};
}
