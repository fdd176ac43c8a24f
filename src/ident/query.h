#pragma once
// One SMBIOS string read through the in-process decoder, with its standard
// output captured.
#include <cstddef>

// Results of dmi_query below 1.
enum : int {
    DMI_QUERY_CAPTURE_FAILED = -1, // standard output could not be captured
    DMI_QUERY_DECODER_FAILED = -2, // the decoder ended with a non-zero status
    DMI_QUERY_TRUNCATED = -3,      // the output filled the whole buffer
};

// Runs the decoder for one --string keyword. n >= 1: the line (without its
// final line feed) is in buffer, n = its length + 1; otherwise one of the
// DMI_QUERY_* failures.
int dmi_query(const char *keyword, char *buffer, std::size_t size);

// dmi_query with another decoder entry in place of the SMBIOS decoder.
using decoder_entry = int (*)(int argc, char **argv);
int dmi_query_with(decoder_entry entry, const char *keyword, char *buffer, std::size_t size);
