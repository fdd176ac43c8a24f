#include "ident/identify.h"

#include "ident/query.h"
#include "runtime/diagnostics.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 5> SUPPORTED_BOARDS = {"H8QG6", "H8QGL", "H8SGL", "H8QG7", "H8DG6/H8DGi"};
constexpr char FIRMWARE_PREFIX[] = "KELB ";

} // namespace

int check_board(unsigned options)
{
    char name[32];
    int r = dmi_query("baseboard-product-name", name, sizeof name);
    bool errors = options & CHECK_BOARD_PRINT_ERRORS;
    if (r < 0) {
        if (errors)
            report_error("Couldn't determine board model");
        if (r == DMI_QUERY_DECODER_FAILED) {
            if (errors)
                report_error(". Please run this utility as root.\n");
        } else if (errors) {
            report_error(" (error %d).\n", r);
        }
        return BOARD_UNKNOWN;
    }
    if (options & CHECK_BOARD_PRINT_MODEL)
        std::printf("Detected board: '%s'\n\n", name);
    for (std::string_view board : SUPPORTED_BOARDS)
        if (board == name)
            return 0;
    if (errors)
        report_error("Unsupported board.\n");
    return BOARD_UNSUPPORTED;
}

int get_firmware_version()
{
    char text[16];
    int r = dmi_query("oem-string-last", text, sizeof text);
    if (r < 0)
        return FIRMWARE_UNREADABLE;
    if (r <= 5 || std::strncmp(text, FIRMWARE_PREFIX, 5) != 0)
        return FIRMWARE_NOT_KELB;
    char *version = text + 5;
    if (char *blank = std::strchr(version, ' '))
        *blank = '\0'; // anything after the version is ignored
    std::uint32_t packed;
    if (parse_version(version, &packed) != 0)
        return FIRMWARE_BAD_VERSION;
    return static_cast<int>(packed);
}

int parse_version(char *text, std::uint32_t *version)
{
    std::uint32_t acc = 0;
    int count = 0;
    // strtok: empty components (leading, trailing, doubled dots) do not count.
    for (char *part = std::strtok(text, "."); part; part = std::strtok(nullptr, ".")) {
        if (count == 4)
            return -1;
        char *end;
        unsigned long v = std::strtoul(part, &end, 10);
        // A component has one byte; a bigger one would spill into the byte
        // of the component before it (4.259 would pass for 5.3).
        if (*end != '\0' || v > 255)
            return -1;
        acc = acc << 8 | static_cast<std::uint32_t>(v);
        count++;
    }
    if (count == 0)
        return -1;
    *version = acc << (8 * (4 - count));
    return 0;
}

void print_version(std::FILE *stream, std::uint32_t version)
{
    std::uint32_t v = (version >> 24) | (version >> 8 & 0xFF00) | (version << 8 & 0xFF0000) | (version << 24);
    std::fprintf(stream, "%u", v & 0xFF);
    for (v >>= 8; v != 0; v >>= 8)
        std::fprintf(stream, ".%u", v & 0xFF);
}
