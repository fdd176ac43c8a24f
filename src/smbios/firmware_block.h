#pragma once
// The size of the block the firmware-table service hands out: its eight-byte
// header, then the whole table.
#include <cstdint>

inline constexpr std::uint32_t FIRMWARE_BLOCK_HEADER = 8;

// Whether a block of `size` bytes is fetched: its table is not beyond the
// bound of every table read (MAX_TABLE_SIZE).
bool firmware_block_within_bound(std::uint32_t size);
