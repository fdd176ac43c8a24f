#pragma once
// What to tell the operator after the driver connection failed, printed after
// the "sys_init" error line. Decided from facts alone, so that every case can
// be tried on any system.
#include "hw/host.h"

#include <string>

struct driver_facts {
    host_system host;
    int error;         // errno that sys_init left
    unsigned status;   // library status; 0 when the driver was refused for its version
    bool privileged;   // elevated administrator (Windows), root (Linux)
    bool locked_down;  // the kernel forbids raw port access to everyone
};

// Zero or more complete lines; empty when nothing would help.
std::string driver_advice(const driver_facts &facts);

// The facts of this process after a failed sys_init that left `error`.
driver_facts failed_driver_facts(int error);
