// Dispatch of one displayed structure to the decoder of its type.
#include "smbios/decode.h"
#include "smbios/oem.h"
#include "smbios/options.h"

#include <cstdio>

namespace {

bool decode_known_or_vendor(const smbios_structure &s, std::uint16_t version)
{
    if (s.type <= 4)
        return decode_bios_to_processor(s, version);
    if (s.type <= 17)
        return decode_memory_structure(s, version);
    if (s.type <= 42 || s.type == 126 || s.type == 127)
        return decode_management_structure(s, version);
    return decode_oem_structure(s);
}

} // namespace

void decode_structure(const smbios_structure &s, std::uint16_t version)
{
    // Additional Information prints nothing at all in quiet mode, not even its title.
    if (s.type == 40 && decoder_quiet())
        return;
    if (!decode_known_or_vendor(s, version)) {
        if (decoder_quiet())
            return;
        std::printf("%s Type\n", s.type < 128 ? "Unknown" : "OEM-specific");
        dump_structure(s);
    }
    std::printf("\n");
}
