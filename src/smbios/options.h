#pragma once
// The decoder's command line: its entry, the reset between two runs in one
// process, option scanning, usage text and keyword lists. The option state
// they fill is in option_state.h.
#include "smbios/option_state.h"

int dmi_decoder_main(int argc, char **argv);
void dmi_decoder_reset();
int parse_decoder_options(int argc, char **argv);
void print_decoder_usage();   // standard output
void list_string_keywords();  // standard error
void list_type_keywords();    // standard error
