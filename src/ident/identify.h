#pragma once
// Board and firmware-version checks from the SMBIOS strings.
#include <cstdint>
#include <cstdio>

enum : unsigned { CHECK_BOARD_PRINT_MODEL = 1, CHECK_BOARD_PRINT_ERRORS = 2 };

enum : int {
    BOARD_UNKNOWN = -1,     // the board's product name could not be read
    BOARD_UNSUPPORTED = -2, // a board this utility does not know
};
// 0 supported board, or one of the BOARD_* failures.
int check_board(unsigned options);

enum : int {
    FIRMWARE_UNREADABLE = -1,  // the last OEM string could not be read
    FIRMWARE_NOT_KELB = -2,    // it does not begin with "KELB "
    FIRMWARE_BAD_VERSION = -3, // what follows is no dotted version
};
// The packed firmware version (5.3 = 0x05030000), or one of the FIRMWARE_* failures.
int get_firmware_version();
// Packs a dotted version; 0, or -1 with *version untouched. Modifies `text`.
int parse_version(char *text, std::uint32_t *version);
void print_version(std::FILE *stream, std::uint32_t version);

inline constexpr std::uint32_t KELB_SUPPORTED_VERSION = 0x05030000;
// The same version as messages and the banner write it.
inline constexpr char KELB_SUPPORTED_VERSION_TEXT[] = "5.3";
