#pragma once
// The connection to the driver library.

// 0 on success; -1 with errno ENODEV after printing the reason.
int sys_init();
void sys_deinit();
