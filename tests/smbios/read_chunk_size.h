#pragma once
// How many bytes the C library really allocated for a block.
#include <cstddef>

std::size_t allocated_size(void *block);
