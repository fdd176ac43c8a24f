#pragma once
// The interactive question sequence over every setting of `cfg`.

// true when the dialogue completed; false on end of input or a console control event.
bool run_menu();
