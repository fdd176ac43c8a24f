#pragma once
// The interactive question sequence over every setting of a record.
#include "cu/config.h"

#include <cstdio>

// The dialogue on `cfg`, its answers read from `in`: true when it completed;
// false on end of input or a console control event.
bool run_menu(std::FILE *in, nvram_config *cfg);

// The questions after the reset question, answered from `in`, on record `c`,
// for the processor `cpu`. false as soon as a question fails; `c` then holds
// the answers given so far.
bool edit_settings(std::FILE *in, nvram_config *c, processor_facts cpu);
