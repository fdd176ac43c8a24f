#include "bench/sample_table.h"

#include <string>

namespace {

bytes zeros(std::size_t n) { return bytes(n, 0); }

void put_byte(bytes &b, std::uint8_t v) { b.push_back(v); }

bytes bios(std::uint16_t h)
{
    bytes b;
    put_byte(b, 1);            // vendor
    put_byte(b, 2);            // version
    put_word(b, 0xE800);       // starting segment
    put_byte(b, 3);            // release date
    put_byte(b, 0xFF);         // ROM size: see extended size
    put_qword(b, 0x000000017F99DE90ull); // characteristics
    put_byte(b, 0x03);         // extension byte 1
    put_byte(b, 0x0D);         // extension byte 2
    put_byte(b, 5);            // system BIOS release 5.3
    put_byte(b, 3);
    put_byte(b, 0xFF);         // no embedded controller
    put_byte(b, 0xFF);
    put_word(b, 16);           // 16 MB
    return structure(0, h, b, {"American Megatrends Inc.", "KELB 5.3", "09/12/2011"});
}

bytes system_info(std::uint16_t h)
{
    bytes b = {1, 2, 3, 4};
    for (int i = 0; i < 16; i++)
        put_byte(b, static_cast<std::uint8_t>(0x10 * i + 3));
    put_byte(b, 6);            // wake-up: power switch
    put_byte(b, 5);            // SKU
    put_byte(b, 6);            // family
    return structure(1, h, b, {"Supermicro", "H8QG6", "0123456789", "SN-4711", "SKU-1", "Server"});
}

bytes baseboard(std::uint16_t h, std::uint16_t chassis)
{
    bytes b = {1, 2, 3, 4, 5, 0x09, 6};
    put_word(b, chassis);
    put_byte(b, 0x0A);         // motherboard
    put_byte(b, 0);            // no contained objects
    return structure(2, h, b, {"Supermicro", "H8QG6", "1.01", "WM11S00001", "To be filled", "Board slot"});
}

bytes chassis(std::uint16_t h)
{
    bytes b = {1, 0x17, 2, 3, 4, 3, 3, 3, 3};
    put_dword(b, 0);
    put_byte(b, 1);            // height 1U
    put_byte(b, 2);            // power cords
    put_byte(b, 0);            // no contained elements
    put_byte(b, 3);
    put_byte(b, 5);            // SKU
    return structure(3, h, b, {"Supermicro", "1.0", "C0000000001", "Asset-1", "Rack SKU"});
}

bytes processor(std::uint16_t h, std::uint16_t l1, std::uint16_t l2, std::uint16_t l3, int socket)
{
    bytes b = {1, 3, 0x38, 2};
    put_qword(b, 0x178BFBFF00100F91ull); // processor ID
    put_byte(b, 3);            // version
    put_byte(b, 0x8C);         // 1.2 V
    put_word(b, 200);          // external clock
    put_word(b, 3500);         // max speed
    put_word(b, 2300);         // current speed
    put_byte(b, 0x41);         // populated, enabled
    put_byte(b, 0x24);         // socket G34
    put_word(b, l1);
    put_word(b, l2);
    put_word(b, l3);
    put_byte(b, 4);            // serial
    put_byte(b, 5);            // asset tag
    put_byte(b, 6);            // part number
    put_byte(b, 12);           // cores
    put_byte(b, 12);           // enabled
    put_byte(b, 12);           // threads
    put_word(b, 0x00EC);       // 64-bit, multi-core, execute protection, virtualization
    put_word(b, 0x38);         // family 2
    put_word(b, 12);
    put_word(b, 12);
    put_word(b, 12);
    std::string name = "CPU" + std::to_string(socket + 1);
    return structure(4, h, b, {name, "AMD", "AMD Opteron(TM) Processor 6174", "Serial", "Asset", "Part"});
}

bytes cache(std::uint16_t h, int level, std::uint16_t kilobytes)
{
    bytes b = {1};
    put_word(b, static_cast<std::uint16_t>(0x0180 | (level - 1))); // enabled, internal, write-back
    put_word(b, kilobytes);
    put_word(b, kilobytes);
    put_word(b, 0x0002);       // unknown SRAM
    put_word(b, 0x0002);
    put_byte(b, 0);            // speed unknown
    put_byte(b, 6);            // multi-bit ECC
    put_byte(b, 5);            // unified
    put_byte(b, level == 3 ? 0x08 : 0x07); // 16-way, 2-way
    put_dword(b, kilobytes);
    put_dword(b, kilobytes);
    const char *names[] = {"L1-Cache", "L2-Cache", "L3-Cache"};
    return structure(7, h, b, {names[level - 1]});
}

bytes port(std::uint16_t h, int n)
{
    bytes b = {1, 0x0B, 2, 0x0B, 0x1F};
    return structure(8, h, b, {"J" + std::to_string(n), "USB" + std::to_string(n)});
}

bytes slot(std::uint16_t h, int n)
{
    bytes b = {1, 0xAA, 0x0D, 3, 4};
    put_word(b, static_cast<std::uint16_t>(n));
    put_byte(b, 0x04);
    put_byte(b, 0x03);
    put_word(b, 0);            // segment
    put_byte(b, static_cast<std::uint8_t>(n));
    put_byte(b, 0x00);
    return structure(9, h, b, {"PCIE" + std::to_string(n)});
}

bytes oem_strings(std::uint16_t h)
{
    return structure(11, h, {3}, {"To be filled by O.E.M.", "Board rev 1.01", "KELB 5.3"});
}

bytes memory_array(std::uint16_t h, std::uint16_t devices)
{
    bytes b = {3, 3, 6};
    put_dword(b, 0x10000000);  // 256 GB in KB
    put_word(b, 0xFFFE);
    put_word(b, devices);
    put_qword(b, 0);
    return structure(16, h, b);
}

bytes memory_device(std::uint16_t h, std::uint16_t array, int n)
{
    bytes b;
    put_word(b, array);
    put_word(b, 0xFFFE);
    put_word(b, 72);           // total width
    put_word(b, 64);           // data width
    put_word(b, 8192);         // 8 GB
    put_byte(b, 9);            // DIMM
    put_byte(b, 0);
    put_byte(b, 1);            // locator
    put_byte(b, 2);            // bank
    put_byte(b, 0x18);         // DDR3
    put_word(b, 0x0080);       // synchronous
    put_word(b, 1333);
    put_byte(b, 3);
    put_byte(b, 4);
    put_byte(b, 5);
    put_byte(b, 6);
    put_byte(b, 2);            // rank 2
    put_dword(b, 0);
    put_word(b, 1333);
    put_word(b, 1500);
    put_word(b, 1500);
    put_word(b, 1500);
    return structure(17, h, b, {"P1-DIMM" + std::to_string(n), "BANK" + std::to_string(n),
                                     "Samsung", "12345678", "Asset", "M393B1K70CH0-CH9"});
}

bytes array_mapped(std::uint16_t h, std::uint16_t array, std::uint32_t start_kb)
{
    bytes b;
    put_dword(b, start_kb);
    put_dword(b, start_kb + 0x7FFFFF);
    put_word(b, array);
    put_byte(b, 4);
    put_qword(b, 0);
    put_qword(b, 0);
    return structure(19, h, b);
}

bytes device_mapped(std::uint16_t h, std::uint16_t device, std::uint16_t mapped, std::uint32_t start_kb)
{
    bytes b;
    put_dword(b, start_kb);
    put_dword(b, start_kb + 0x7FFFFF);
    put_word(b, device);
    put_word(b, mapped);
    put_byte(b, 1);
    put_byte(b, 1);
    put_byte(b, 2);
    put_qword(b, 0);
    put_qword(b, 0);
    return structure(20, h, b);
}

bytes boot_info(std::uint16_t h)
{
    bytes b = zeros(6);
    put_byte(b, 0);            // no errors
    return structure(32, h, b);
}

bytes ipmi(std::uint16_t h)
{
    bytes b = {1, 0x20, 0x20, 0xFF};
    put_qword(b, 0x0CA3);      // I/O space
    put_byte(b, 0x00);
    put_byte(b, 0);
    return structure(38, h, b);
}

} // namespace

std::vector<bytes> sample_structures(std::uint16_t h)
{
    std::vector<bytes> v;
    v.push_back(bios(h++));
    v.push_back(system_info(h++));
    v.push_back(baseboard(h, static_cast<std::uint16_t>(h + 1)));
    h++;
    v.push_back(chassis(h++));
    std::uint16_t l1 = h++, l2 = h++, l3 = h++;
    v.push_back(cache(l1, 1, 768));
    v.push_back(cache(l2, 2, 6144));
    v.push_back(cache(l3, 3, 12288));
    v.push_back(processor(h++, l1, l2, l3, 0));
    v.push_back(port(h++, 1));
    v.push_back(slot(h++, 1));
    v.push_back(oem_strings(h++));
    std::uint16_t array = h++;
    v.push_back(memory_array(array, 1));
    std::uint16_t device = h++;
    v.push_back(memory_device(device, array, 1));
    std::uint16_t mapped = h++;
    v.push_back(array_mapped(mapped, array, 0));
    v.push_back(device_mapped(h++, device, mapped, 0));
    v.push_back(boot_info(h++));
    v.push_back(ipmi(h++));
    return v;
}

smbios_table sample_table(std::size_t min_bytes)
{
    smbios_table t;
    std::uint16_t h = 0;
    t.add(bios(h++));
    t.add(system_info(h++));
    t.add(baseboard(h, static_cast<std::uint16_t>(h + 1)));
    h++;
    t.add(chassis(h++));
    t.add(oem_strings(h++));
    t.add(boot_info(h++));
    t.add(ipmi(h++));
    std::uint16_t array = h++;
    t.add(memory_array(array, 0xFFFF));
    // Groups of a processor with its caches, four DIMMs with their mapped
    // ranges, a port and a slot, until the table is big enough.
    for (int n = 0; t.data.size() + 4 < min_bytes; n++) {
        std::uint16_t l1 = h++, l2 = h++, l3 = h++;
        t.add(cache(l1, 1, 768));
        t.add(cache(l2, 2, 6144));
        t.add(cache(l3, 3, 12288));
        t.add(processor(h++, l1, l2, l3, n));
        std::uint16_t mapped = h++;
        t.add(array_mapped(mapped, array, static_cast<std::uint32_t>(n) << 23));
        for (int d = 0; d < 4; d++) {
            std::uint16_t device = h++;
            t.add(memory_device(device, array, 4 * n + d));
            t.add(device_mapped(h++, device, mapped, static_cast<std::uint32_t>(n) << 23));
        }
        t.add(port(h++, n));
        t.add(slot(h++, n));
    }
    t.end_of_table(h);
    return t;
}

bytes dump_sm3(const smbios_table &t, std::uint8_t major, std::uint8_t minor)
{
    return dump_image(entry_sm3(t, 32, major, minor), t.data);
}

bytes dump_sm(const smbios_table &t, std::uint8_t major, std::uint8_t minor)
{
    return dump_image(entry_sm(t, 32, major, minor), t.data);
}

bytes dump_dmi(const smbios_table &t, std::uint8_t bcd_revision)
{
    return dump_image(entry_dmi(t, 32, bcd_revision), t.data);
}

bytes entry_sm3(const smbios_table &t, std::uint64_t address, std::uint8_t major, std::uint8_t minor)
{
    return entry_sm3(address, static_cast<std::uint32_t>(t.data.size()), major, minor);
}

bytes entry_sm(const smbios_table &t, std::uint32_t address, std::uint8_t major, std::uint8_t minor)
{
    return entry_sm(address, static_cast<std::uint16_t>(t.data.size()), static_cast<std::uint16_t>(t.count), major, minor);
}

bytes entry_dmi(const smbios_table &t, std::uint32_t address, std::uint8_t bcd_revision)
{
    return entry_dmi(address, static_cast<std::uint16_t>(t.data.size()), static_cast<std::uint16_t>(t.count), bcd_revision);
}
