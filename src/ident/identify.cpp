// Placeholder until the SMBIOS checks exist: nothing can be determined.
#include "ident/identify.h"

int check_board(unsigned) { return -1; }
int get_firmware_version() { return -1; }
int parse_version(char *, std::uint32_t *) { return -1; }
void print_version(std::FILE *, std::uint32_t) {}
