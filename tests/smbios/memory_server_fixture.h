#pragma once
// The memory, cache, slot and connector structures of a four-socket server
// board, with the text each of them decodes to.
#include "support/files.h"

#include <cstdint>
#include <string>
#include <vector>

struct memory_server_structure {
    std::uint8_t type;
    std::uint16_t handle;
    bytes data;           // the whole structure, strings included
    std::string expected; // its decoding, closing empty line included
};

inline constexpr std::uint16_t MEMORY_SERVER_VERSION = 0x0208;

// 12 caches, 5 port connectors, 4 slots, then per socket one memory array and
// its 8 memory devices; no end-of-table structure.
std::vector<memory_server_structure> memory_server_structures();
