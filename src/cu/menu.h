#pragma once
// The interactive question sequence over every setting of a record.
#include "cu/config.h"

// true when the dialogue completed; false on end of input or a console control event.
bool run_menu(nvram_config *cfg);

// The questions after the reset question, on record `c`, for a processor of
// extended family `family` (-1 matches both 1 and 6) and lock state `lock`
// (1 locked, 0 unlocked, -1 unknown). false as soon as a question fails; `c`
// then holds the answers given so far.
bool edit_settings(nvram_config *c, int family, int lock);
