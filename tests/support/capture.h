#pragma once
// Captures what a piece of code prints on standard output (through stdio or
// the descriptor), for golden-output tests.
#include <functional>
#include <string>

std::string capture_stdout(const std::function<void()> &body);
