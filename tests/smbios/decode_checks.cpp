#include "smbios/decode_checks.h"

std::string lines_at(const std::vector<gated_line> &lines, unsigned length)
{
    std::string out;
    for (const auto &line : lines)
        if (length >= line.from_length)
            out += line.text;
    return out;
}

bytes patched(bytes body, std::size_t offset, std::initializer_list<std::uint8_t> values)
{
    std::size_t at = offset - 4;
    for (std::uint8_t v : values)
        body.at(at++) = v;
    return body;
}

bytes cut(const bytes &body, unsigned length)
{
    return bytes(body.begin(), body.begin() + (length - 4));
}

bool has_line(const std::string &text, const std::string &line)
{
    return text.starts_with(line) || text.find("\n" + line) != std::string::npos;
}
