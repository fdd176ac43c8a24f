#include "fixture.h"

#include <algorithm>
#include <filesystem>


bytes raw_block(std::uint8_t major, std::uint8_t minor, const bytes &table, std::uint32_t announced)
{
    bytes b(8 + table.size());
    b[1] = major;
    b[2] = minor;
    put_le(b, 4, announced == 0xFFFFFFFF ? table.size() : announced, 4);
    std::copy(table.begin(), table.end(), b.begin() + 8);
    return b;
}


std::string plain(const std::string &text)
{
    std::string t;
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            t += text[i];
    return t;
}

namespace {

run_result plain_result(run_result r)
{
    r.out = plain(r.out);
    r.err = plain(r.err);
    return r;
}

} // namespace

run_result run_dmi(const std::vector<std::string> &args)
{
    std::vector<std::string> argv = {KELB_DMI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return plain_result(run_program(argv));
}

void sim_machine::place(const std::string &system_path, const bytes &data)
{
    std::filesystem::path p = root() + system_path;
    std::filesystem::create_directories(p.parent_path());
    write_file(p.string(), data);
}

void sim_machine::place(const std::string &system_path, const std::string &text)
{
    place(system_path, bytes(text.begin(), text.end()));
}

void sim_machine::firmware_table(const bytes &block)
{
    firmware_table_ = file("firmware-table.bin");
    write_file(*firmware_table_, block);
}

run_result sim_machine::run(const std::vector<std::string> &args) const
{
    std::vector<std::string> argv = {KELB_DMI_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::filesystem::create_directories(root());
    return plain_result(run_program(argv, {{"KELB_SIM_ROOT", root()}, {"KELB_SIM_FIRMWARE_TABLE", firmware_table_}}));
}

bytes memory_image()
{
    return bytes(1u << 20, 0);
}

std::string structures_part(const std::string &out)
{
    std::size_t at = out.find("\n\n");
    return at == std::string::npos ? std::string() : out.substr(at + 2);
}
