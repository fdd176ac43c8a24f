#include "hw/lockdown.h"

bool lockdown_forbids_raw_io(std::string_view text)
{
    std::size_t open = text.find('[');
    if (open == std::string_view::npos)
        return false;
    std::size_t close = text.find(']', open);
    if (close == std::string_view::npos)
        return false;
    std::string_view mode = text.substr(open + 1, close - open - 1);
    return mode == "integrity" || mode == "confidentiality";
}
