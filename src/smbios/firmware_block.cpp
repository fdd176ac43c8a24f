#include "smbios/firmware_block.h"
#include "smbios/platform.h"

bool firmware_block_within_bound(std::uint32_t size)
{
    // In 64 bits, so that the sum cannot wrap whatever the bound.
    return std::uint64_t{size} <= std::uint64_t{MAX_TABLE_SIZE} + FIRMWARE_BLOCK_HEADER;
}
