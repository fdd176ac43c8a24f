// The decoder's process-wide option state.
#include "smbios/options.h"

decoder_state decoder_options = {};
