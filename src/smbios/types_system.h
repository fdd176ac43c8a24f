#pragma once
// What the BIOS, System, Base Board and Chassis decoders share with the walk.
#include <cstdint>

const char *chassis_type_name(std::uint8_t value); // 1..32, "<OUT OF SPEC>" otherwise
