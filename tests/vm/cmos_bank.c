/* Guest-side reader of the CMOS bank behind the index/data ports 0x72/0x73:
 * prints "offset value" in hex, one line per byte, for the 128 bytes of the
 * bank, through /dev/port. Only reads the data port; selecting a byte needs a
 * write of the index port. Built statically: the guest has no C library of
 * its own beyond the one the programs under test bring. */
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

enum { INDEX_PORT = 0x72, DATA_PORT = 0x73, BANK_SIZE = 128 };

int main(void)
{
    int fd = open("/dev/port", O_RDWR);
    if (fd < 0) {
        perror("/dev/port");
        return 1;
    }
    for (int i = 0; i < BANK_SIZE; i++) {
        unsigned char index = (unsigned char)i, value;
        if (pwrite(fd, &index, 1, INDEX_PORT) != 1 || pread(fd, &value, 1, DATA_PORT) != 1) {
            perror("/dev/port");
            return 1;
        }
        printf("%02x %02x\n", i, value);
    }
    return close(fd) == 0 ? 0 : 1;
}
