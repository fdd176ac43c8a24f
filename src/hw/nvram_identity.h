#pragma once
// Whether two descriptors of files are the same file, whatever the paths they
// were opened by: 1 when they are, 0 when not, -1 with errno when it cannot be
// told. One implementation per platform.
int nvram_same_file(int a, int b);
