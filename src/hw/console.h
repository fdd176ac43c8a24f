#pragma once
// The end-of-run pause when the utility owns its console window.
void pause_if_own_console();
