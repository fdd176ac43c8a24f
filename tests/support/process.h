#pragma once
// Runs a program as a user would and collects what it did.
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct run_result {
    int status = -1;  // exit status; -1 when the program could not be run
    std::string out;  // standard output
    std::string err;  // standard error
};

// An environment change for the child: a value sets the variable, none unsets it.
using env_change = std::pair<std::string, std::optional<std::string>>;

// Runs argv[0] with the arguments argv[1..], standard input fed from `input`
// (a pipe, so never a terminal), and the parent's environment changed by `env`.
// With `one_file` named, standard output and standard error both go to that
// file, as `>file 2>&1` sends them, and `out` holds what the file received.
run_result run_program(const std::vector<std::string> &argv,
                       const std::vector<env_change> &env = {},
                       const std::string &input = {}, const std::string &one_file = {});
