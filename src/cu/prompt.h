#pragma once
// The four console questions of the dialogue. Each prints its question on
// standard output, reads one short line and either returns an accepted answer
// or asks again; a plain Enter takes the default. End of input and console
// control events give the failure value (-1, -1.0).
#include <cstdio>
#include <span>

// At most 7 characters per read, the end of line included when it fits.
inline constexpr int INPUT_LINE_SIZE = 8;

// The stream answers are read from; null restores standard input.
void set_prompt_input(std::FILE *in);
std::FILE *prompt_input();

// min, min+step, ... up to max. def is returned on Enter as it is.
int prompt_int(const char *label, int def, int min, int max, int step);
// 1 yes, 0 no, def on Enter.
int prompt_yes_no(const char *label, int def);
// 0, step, 2*step, ... up to max; 0 <= def <= max and step > 0 are required.
float prompt_decimal(const char *label, float def, float max, float step);
// Index of the word typed; def (0 when it is no index of `words`) on Enter.
int prompt_choice(const char *label, std::span<const char *const> words, int def);
