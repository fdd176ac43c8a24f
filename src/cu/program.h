#pragma once
// The utility's run from start to exit.

// Exit statuses: each names the step that failed.
enum : int {
    EXIT_OK = 0,
    EXIT_OPTION = 1,
    EXIT_ARGUMENT = 2,
    EXIT_NOT_A_TERMINAL = 3,
    EXIT_BOARD_UNKNOWN = 4,
    EXIT_BOARD_UNSUPPORTED = 5,
    EXIT_FIRMWARE_UNKNOWN = 6,
    EXIT_FIRMWARE_MISMATCH = 7,
    EXIT_NVRAM_OPEN = 8,
    EXIT_CHECKSUM = 9,
    EXIT_INTERRUPTED = 11,
    EXIT_STORE = 12,
    EXIT_READ_CONFIG = 13,
    EXIT_NOT_REGULAR = 14,
    EXIT_DRIVER = 15,
    EXIT_NVRAM_BUSY = 16,
    EXIT_LISTING = 17,
};

int kelb_cu_main(int argc, char **argv);
