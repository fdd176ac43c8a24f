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

// As run_program, with the standard handles named in `missing` (bit 0 input,
// 1 output, 2 error) passed as none, and no console: as a service, or a
// program without a console, starts it. What a missing stream would carry is
// empty in the result.
run_result run_program_without_handles(const std::vector<std::string> &argv, unsigned missing,
                                       const std::vector<env_change> &env = {});
