#include "read_chunk_size.h"

#include <malloc.h>

std::size_t allocated_size(void *block)
{
    return malloc_usable_size(block);
}
