#pragma once
// What one run of the utility knows, from its command line to its store: one
// value, made by kelb_cu_main and handed by reference to each step.
#include "cu/config.h"
#include "cu/options.h"
#include "cu/settings.h"

#include <cstdio>

struct run : run_options, record_state {
    const char *program = nullptr; // argv[0], for messages
    run_mode mode = run_mode::interactive;
    unsigned refclock = 0;    // the positional reference clock
    settings_request wanted;  // what -i and -s asked
    std::FILE *listing_out = nullptr; // -l: the standard output the run started with, which carries the listing only
    std::FILE *answers_in = stdin;    // where the dialogue reads its answers
    // Whether this run began a store: a control event after that leaves the
    // store's status as it is.
    bool store_began = false;
};
