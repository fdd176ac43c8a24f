#pragma once
// Windows launches beyond run_program.
#include "support/process.h"

// As run_program, with the filtered token of this (elevated) process: the
// rights an administrator's programs have unless started "as administrator".
// Status -1 when there is no such token.
run_result run_program_unelevated(const std::vector<std::string> &argv,
                                  const std::vector<env_change> &env = {});

// As run_program, with standard input opened from `device` (such as "NUL").
run_result run_program_reading(const std::vector<std::string> &argv, const char *device,
                               const std::vector<env_change> &env = {});
