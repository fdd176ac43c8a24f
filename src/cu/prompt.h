#pragma once
// The four console questions of the dialogue. Each prints its question on
// standard output, reads one short line from `in` and either returns an
// accepted answer or asks again; a plain Enter takes the default. End of input
// and console control events give the failure value (-1, -1.0). A read of
// standard input is a read of the console, which a control event makes
// return at once.
#include <cstdio>
#include <span>

// At most 7 characters per read, the end of line included when it fits.
inline constexpr int INPUT_LINE_SIZE = 8;

// min, min+step, ... up to max. def is returned on Enter as it is.
int prompt_int(std::FILE *in, const char *label, int def, int min, int max, int step);
// 1 yes, 0 no, def on Enter.
int prompt_yes_no(std::FILE *in, const char *label, int def);
// 0, step, 2*step, ... up to max; 0 <= def <= max and step > 0 are required.
float prompt_decimal(std::FILE *in, const char *label, float def, float max, float step);
// Index of the word typed; def (0 when it is no index of `words`) on Enter.
int prompt_choice(std::FILE *in, const char *label, std::span<const char *const> words, int def);
