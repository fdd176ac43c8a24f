#pragma once
// What the system slot and on-board device decoders share with the onboard
// device structure (41).
#include <cstdint>

// On-board device type names 0x01..0x0A (low 7 bits of the type byte);
// "<OUT OF SPEC>" outside.
const char *on_board_device_type_name(std::uint8_t value);
