/* Holds an exclusive flock on each file named, as any user can on a file of
   a folder every user may write (the file is made when missing), says "held
   FILE" for each on standard output, then waits until it is killed. Run by
   tests/vm/init in the guest. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        int fd = open(argv[i], O_RDONLY | O_CREAT | O_NOCTTY | O_NONBLOCK, 0644);
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            perror(argv[i]);
            return 1;
        }
        printf("held %s\n", argv[i]);
    }
    fflush(stdout);
    for (;;)
        pause();
}
