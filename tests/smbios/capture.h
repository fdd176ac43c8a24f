#pragma once
// Runs the decoder inside the test process, as the utility does, with its
// standard output and error captured.
#include "support/process.h"

#include <string>
#include <vector>

run_result run_in_process(const std::vector<std::string> &args);

// Points the process's standard output and error at two files for its lifetime.
class std_streams_redirect {
public:
    std_streams_redirect(const std::string &out_path, const std::string &err_path);
    ~std_streams_redirect();
    std_streams_redirect(const std_streams_redirect &) = delete;
    std_streams_redirect &operator=(const std_streams_redirect &) = delete;

private:
    int saved_out_, saved_err_;
};

// The platform's part (capture_linux.cpp, capture_win.cpp): descriptor `fd`
// pointed at a fresh file at `path`, answering a copy of what it was; and
// `fd` put back from that copy, which is closed.
int redirect_descriptor(int fd, const std::string &path);
void restore_descriptor(int fd, int saved);
