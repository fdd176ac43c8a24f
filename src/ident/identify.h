#pragma once
// Board and firmware-version checks from the SMBIOS strings.
#include <cstdint>
#include <cstdio>

enum : unsigned { CHECK_BOARD_PRINT_MODEL = 1, CHECK_BOARD_PRINT_ERRORS = 2 };

// 0 supported board, -1 model unknown, -2 unsupported board.
int check_board(unsigned options);
// The packed firmware version (5.3 = 0x05030000), or -1, -2, -3.
int get_firmware_version();
// Packs a dotted version; 0, or -1 with *version untouched. Modifies `text`.
int parse_version(char *text, std::uint32_t *version);
void print_version(std::FILE *stream, std::uint32_t version);

inline constexpr std::uint32_t KELB_SUPPORTED_VERSION = 0x05030000;
