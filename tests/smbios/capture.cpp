#include "capture.h"
#include "fixture.h"

#include "smbios/options.h"

#include <cstdio>
#include <list>

run_result run_in_process(const std::vector<std::string> &args)
{
    scratch_dir dir;
    // The arguments outlive the run, as the utility's constant ones do, so
    // that whatever the scanner kept pointing into them is still there.
    static std::list<std::vector<std::string>> kept;
    std::vector<std::string> &storage = kept.emplace_back(std::vector<std::string>{"kelb-dmi"});
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    run_result r;
    {
        std_streams_redirect redirect(dir.file("out"), dir.file("err"));
        r.status = dmi_decoder_main(static_cast<int>(storage.size()), argv.data());
        std::fflush(stdout);
        std::fflush(stderr);
    }
    bytes out = read_file(dir.file("out")), err = read_file(dir.file("err"));
    r.out = plain(std::string(out.begin(), out.end()));
    r.err = plain(std::string(err.begin(), err.end()));
    return r;
}

std_streams_redirect::std_streams_redirect(const std::string &out_path, const std::string &err_path)
{
    std::fflush(stdout);
    std::fflush(stderr);
    saved_out_ = redirect_descriptor(1, out_path);
    saved_err_ = redirect_descriptor(2, err_path);
}

std_streams_redirect::~std_streams_redirect()
{
    std::fflush(stdout);
    std::fflush(stderr);
    restore_descriptor(1, saved_out_);
    restore_descriptor(2, saved_err_);
}
