#pragma once
// The process's environment, as the C runtime's getenv sees it.

// Sets variable `name` to `value` (not empty), replacing what it held; the
// strings are copied. 0, or -1 when the environment could not take it.
int set_environment_variable(const char *name, const char *value);
