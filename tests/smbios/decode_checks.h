#pragma once
// Helpers for golden-output tests of single structure decodings.
#include "support/files.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Field lines of a decoding, each shown from a structure length on.
struct gated_line {
    unsigned from_length;
    std::string text;
};

// The lines a structure of `length` bytes shows, in order.
std::string lines_at(const std::vector<gated_line> &lines, unsigned length);

// `body` (the bytes from offset 4 on) with the bytes at structure offset `offset` replaced.
bytes patched(bytes body, std::size_t offset, std::initializer_list<std::uint8_t> values);

// The first `length` - 4 bytes of `body`: the body of a structure of that length.
bytes cut(const bytes &body, unsigned length);

// True when `text` holds `line` (ending in "\n") as a whole line.
bool has_line(const std::string &text, const std::string &line);
