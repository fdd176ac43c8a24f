#pragma once
// The connection to the driver library.

// 0 on success; -1 with errno ENODEV, after printing the reason when the
// library reports one.
int sys_init();
// Releases the library; always 0.
int sys_deinit();
