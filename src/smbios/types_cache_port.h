#pragma once
// What the cache and port connector decoders share.
#include <cstdint>

// Connector types 0x00..0x22, 0xA0..0xA4 and 0xFF ("Other").
const char *connector_type_name(std::uint8_t code);
