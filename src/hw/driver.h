#pragma once
// The connection to the driver library.

// 0 on success; -1 with errno ENODEV, after printing the reason when the
// library reports one.
int sys_init();
// Releases the library; always 0.
int sys_deinit();

// What the last failed sys_init met: the library status (0 when the driver was
// refused for its version) and whether the kernel forbids raw port access to
// everyone, root included.
struct driver_failure {
    unsigned status;
    bool locked_down;
};
driver_failure last_driver_failure();
