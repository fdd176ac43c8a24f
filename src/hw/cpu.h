#pragma once
// Processor facts that decide which settings apply.

// 1 locked, 0 unlocked, -1 lock register unreadable; or KELB_DEBUG_CPU_LOCKED.
int cpu_is_locked();
// Extended family (CPUID leaf 1, EAX bits 27..20); or KELB_DEBUG_CPU_EXTENDED_FAMILY.
int cpu_extended_family();

// Decisions on raw hardware values, separated from their sources.
int cpu_lock_from_register(unsigned value);
int cpu_family_from_eax(unsigned eax);

inline constexpr const char ENV_CPU_LOCKED[] = "KELB_DEBUG_CPU_LOCKED";
inline constexpr const char ENV_CPU_FAMILY[] = "KELB_DEBUG_CPU_EXTENDED_FAMILY";
