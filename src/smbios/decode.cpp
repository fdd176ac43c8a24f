// Dispatch of one displayed structure to the decoder of its type.
#include "smbios/decode.h"
#include "smbios/oem.h"
#include "smbios/options.h"

#include <cstdio>

void decode_structure(const smbios_structure &s, std::uint16_t version)
{
    bool known = decode_bios_to_processor(s, version) || decode_memory_structure(s, version) ||
                 decode_management_structure(s, version);
    if (known) {
        // Additional Information prints nothing at all in quiet mode.
        if (s.type == 40 && decoder_quiet())
            return;
    } else if (!decode_oem_structure(s)) {
        if (decoder_quiet())
            return;
        std::printf("%s Type\n", s.type < 128 ? "Unknown" : "OEM-specific");
        dump_structure(s);
    }
    std::printf("\n");
}
