#pragma once
// The simulated machine that test builds link in place of the real hardware
// layer. Everything about it is set from the environment, so that tests can
// drive it in-process and through the simulated utility alike.
//
//   KELB_SIM_CMOS            path of the chip's 256 bytes: loaded when the
//                            library is initialised, saved after every write
//                            to it (a missing or short file reads as zeros;
//                            unset, the chip is all zeros and nothing is
//                            saved)
//   KELB_SIM_INDEX           the index register at initialisation (default 0)
//   KELB_SIM_INDEX_READBACK  "broken": the index port never reads back what was
//                            written; "drift:N": another agent selects a
//                            different register right after the Nth data-port
//                            access (once)
//   KELB_SIM_WRITE_DROP      "OFFSET[,OFFSET...]": data-port writes to these
//                            registers are ignored; the chip keeps its byte
//   KELB_SIM_FOREIGN_WRITE   "N:OFFSET=VALUE[,N:OFFSET=VALUE...]": right after
//                            the Nth data-port access another agent writes
//                            VALUE into register OFFSET and leaves the index
//                            as it was (once each)
//   KELB_SIM_RAISE           "N:SIGNAL[,N:SIGNAL...]": right after the Nth
//                            data-port access the process raises SIGNAL (a
//                            number), as a Ctrl+C or kill arriving then would
//   KELB_SIM_PORT_LOG        path: one line appended per library call
//                            ("init", "deinit", "in 72 -> 5a", "out 73 <- 1e",
//                            "pci 0 80 -> 00080000", "pci 0 80 failed")
//   KELB_SIM_PCI80           lock register of 00:00.0 (default 0), or "fail"
//   KELB_SIM_DLL_STATUS      library status after initialisation (default 0)
//   KELB_SIM_DRIVER_VERSION  "major.minor.revision.release" (default 1.2.0.0)
//   KELB_SIM_LOCKDOWN        text of a kernel lockdown file; a mode that
//                            forbids raw port access refuses the driver
//                            (status 2) with the lockdown note
//   KELB_SIM_CPUID_MAXLEAF   highest CPUID leaf (default 1), or "none" for a
//                            processor without the instruction
//   KELB_SIM_CPUID_EAX1      EAX of leaf 1 (default 0x00100F00, family 10h)
//   KELB_SIM_LOCK            the device's lock in place of the system's: an
//                            existing file whose flock is the lock (Linux), or
//                            a mutex name (Windows; backslashes become
//                            slashes). Default on Linux: the chip file itself
//                            (made empty when missing), as the real device's
//                            lock is its own node; on Windows: KELB_SIM_CMOS
//                            with ".lock" appended. Without a chip file:
//                            "kelb-cu-sim.lock"
// Numbers are read as by strtoul with base 0 (so "0x80000" works).

inline constexpr char SIM_CMOS[] = "KELB_SIM_CMOS";
inline constexpr char SIM_INDEX[] = "KELB_SIM_INDEX";
inline constexpr char SIM_INDEX_READBACK[] = "KELB_SIM_INDEX_READBACK";
inline constexpr char SIM_WRITE_DROP[] = "KELB_SIM_WRITE_DROP";
inline constexpr char SIM_FOREIGN_WRITE[] = "KELB_SIM_FOREIGN_WRITE";
inline constexpr char SIM_RAISE[] = "KELB_SIM_RAISE";
inline constexpr char SIM_PORT_LOG[] = "KELB_SIM_PORT_LOG";
inline constexpr char SIM_PCI80[] = "KELB_SIM_PCI80";
inline constexpr char SIM_DLL_STATUS[] = "KELB_SIM_DLL_STATUS";
inline constexpr char SIM_DRIVER_VERSION[] = "KELB_SIM_DRIVER_VERSION";
inline constexpr char SIM_LOCKDOWN[] = "KELB_SIM_LOCKDOWN";
inline constexpr char SIM_CPUID_MAXLEAF[] = "KELB_SIM_CPUID_MAXLEAF";
inline constexpr char SIM_CPUID_EAX1[] = "KELB_SIM_CPUID_EAX1";
inline constexpr char SIM_LOCK[] = "KELB_SIM_LOCK";

// Every variable above, for tests that start from a machine with all defaults.
inline constexpr const char *SIM_VARIABLES[] = {
    SIM_CMOS, SIM_INDEX, SIM_INDEX_READBACK, SIM_WRITE_DROP, SIM_FOREIGN_WRITE, SIM_RAISE, SIM_PORT_LOG, SIM_PCI80, SIM_DLL_STATUS,
    SIM_DRIVER_VERSION, SIM_LOCKDOWN, SIM_CPUID_MAXLEAF, SIM_CPUID_EAX1, SIM_LOCK,
};

// A number from the environment; `fallback` when unset or not wholly a number.
unsigned long sim_env_number(const char *name, unsigned long fallback);
