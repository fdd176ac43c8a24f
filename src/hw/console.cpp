// Placeholder until console ownership is detected: never pauses.
#include "hw/console.h"

void pause_if_own_console() {}
