// Reads one SMBIOS string through the in-process decoder with its standard
// output captured.
#include "ident/query.h"
#include "ident/capture.h"

#include "smbios/options.h"

#include <cstdio>

int dmi_query(const char *keyword, char *buffer, std::size_t size)
{
    return dmi_query_with(dmi_decoder_main, keyword, buffer, size);
}

int dmi_query_with(decoder_entry entry, const char *keyword, char *buffer, std::size_t size)
{
    char program[] = "kelb-dmi", quiet[] = "-q", string[] = "-s";
    char *argv[] = {program, quiet, string, const_cast<char *>(keyword), nullptr};

    int saved = capture_stdout_begin();
    if (saved < 0)
        return DMI_QUERY_CAPTURE_FAILED;
    dmi_decoder_reset();
    int status = entry(4, argv);
    std::fflush(stdout);

    int result;
    if (status != 0) {
        result = DMI_QUERY_DECODER_FAILED;
    } else {
        int n = capture_stdout_read(buffer, size);
        if (n < 0) {
            result = DMI_QUERY_CAPTURE_FAILED;
        } else if (static_cast<std::size_t>(n) == size) {
            result = DMI_QUERY_TRUNCATED;
        } else if (n == 0) {
            buffer[0] = '\0';
            result = 1;
        } else if (buffer[n - 1] == '\n') {
            buffer[n - 1] = '\0';
            result = n;
        } else {
            buffer[n] = '\0';
            result = n + 1;
        }
    }
    capture_stdout_end(saved);
    return result;
}
