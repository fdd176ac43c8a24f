#pragma once
// The processor identification instruction.
#include <cstdint>

// Fills eax, ebx, ecx, edx of `leaf`; false when the instruction is not available.
bool cpuid_query(std::uint32_t leaf, std::uint32_t regs[4]);
