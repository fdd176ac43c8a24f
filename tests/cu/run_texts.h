#pragma once
// What every kelb-cu run prints around the record, as the tests expect it.
#include <string>

inline const std::string BANNER = "kelb-cu: KELB configuration utility (KELB5.3)\n\n";
inline const std::string FOUND = "KELB configuration found.\n\n";
inline const std::string MARKED =
    "*** LAST THREE BOOT ATTEMPTS UNSUCCESSFUL. REVISE THE SETTINGS AND TRY AGAIN. ***\n\n";
inline const std::string ABSENT = "No valid KELB configuration found. Generating new configuration.\n\n";
inline const std::string STORED = "Configuration stored successfully.\n\n"
                                  "To ensure proper application, POWER-OFF the machine, then power it back on.\n";
inline const std::string UNCHANGED = "Configuration unchanged.\n";

// The refusal of a run that finds the NVRAM held by another, its lock named by `place`.
inline std::string busy_text(const std::string &place)
{
    return place + ": another kelb-cu holds the NVRAM\nNothing was written; try again when it has finished.\n";
}

// What `program` -i - says at a terminal before it reads.
inline std::string terminal_input_hint(const std::string &program)
{
    return program + ": reading name=value lines from the terminal; end them with Ctrl+D at the start of a "
                     "line (on Windows Ctrl+Z, then Enter)\n";
}
