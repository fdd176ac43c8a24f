// Full device runs on a simulated machine whose SMBIOS tables name the board
// and the firmware: the safeguards, their -f overrides, and the store.
#include "cu/run_texts.h"
#include "cu/driver_advice.h"
#include "cu/machine_run.h"
#include "hw/host.h"
#include "smbios/fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

const config_image STORED_230 = {0x5E, 0x00, 0x07, 0x08, 0x00, 0xDF};

std::string detected(const std::string &board)
{
    return "Detected board: '" + board + "'\n\n";
}

std::string mismatch(const std::string &v)
{
    return "Version mismatch. This utility is meant for KELB firmware version 5.3\n"
           "but you appear to be running KELB firmware version " + v + ".\n\n"
           "Install KELB firmware version 5.3 or use kelb-cu version " + v + " instead.\n";
}

std::string unknown_firmware(int error)
{
    return "Couldn't determine KELB firmware version (error " + std::to_string(error) + ").\n"
           "\nThis utility is meant for KELB firmware version 5.3.\n\nInstall KELB firmware version 5.3.\n";
}

// A machine: its CMOS chip (no record yet, valid PC checksum), the port log,
// the SMBIOS tables its firmware-table service serves, and a private
// temporary directory in which the decoder queries leave nothing behind.
struct machine {
    scratch_dir dir;
    std::string chip = dir.file("cmos.bin"), log = dir.file("ports.log"), table = dir.file("rsmb.bin");
    std::string tmp = dir.file("tmp");
    bytes before;

    // `after_board` follows the Base Board structure, `tail` ends the table.
    machine(const std::string &board, const std::string &oem, bool good_checksum = true,
            const bytes &after_board = {}, const bytes &tail = end_of_table(4))
    {
        before = chip_with_record(7, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        if (!good_checksum)
            before[47] ^= 1;
        write_file(chip, before);
        bytes t = concat({structure(2, 2, {0x01, 0x02, 0x00, 0x00, 0x00}, {"Supermicro", board}), after_board,
                          structure(11, 3, {0x02}, {"Vendor data", oem}), tail});
        write_file(table, raw_block(2, 7, t));
        std::filesystem::create_directory(tmp);
    }

    std::vector<env_change> settings(std::vector<env_change> more = {}) const
    {
        more.insert(more.begin(), {{"KELB_SIM_FIRMWARE_TABLE", table}, {"TMPDIR", tmp}, {"TMP", tmp}, {"TEMP", tmp}});
        return more;
    }
    run_result run(const std::vector<std::string> &args, const std::vector<env_change> &more = {})
    {
        return run_device(chip, log, args, settings(more));
    }
    // Standard output and standard error both into one file; `out` holds it.
    run_result run_one_file(const std::vector<std::string> &args, const std::vector<env_change> &more = {})
    {
        std::vector<std::string> argv = {KELB_CU_SIM_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_program(argv, machine_env(chip, log, settings(more)), {}, dir.file("output.txt"));
    }
    bool untouched() { return read_file(chip) == before && port_lines(read_lines(log)).empty(); }
    bool tmp_empty() { return std::filesystem::is_empty(tmp); }
};

} // namespace

TEST(DeviceRun, SupportedBoardAndFirmwareStoreTheRecord)
{
    for (const char *board : {"H8QG6", "H8DG6/H8DGi"}) {
        machine m(board, "KELB 5.3");
        run_result r = m.run({"230"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, BANNER + detected(board) +
                             "No valid KELB configuration found. Generating new configuration.\n\n" + STORED);
        EXPECT_EQ(r.err, "");
        bytes after = read_file(m.chip);
        ASSERT_EQ(after.size(), 256u);
        EXPECT_TRUE(std::equal(STORED_230.begin(), STORED_230.end(), after.begin() + CFG_NVRAM_OFFSET));
        expect_unchanged_outside(m.before, after, 248, 253);
        EXPECT_TRUE(m.tmp_empty());
    }
}

// Tables as real firmware makes them: the maker's later boards announce 16
// bytes for an 11-byte type 34 structure, virtual machines leave zero bytes
// after the last structure. The walk's word on them goes to standard error
// and the checks see the board and the version alone.
TEST(DeviceRun, TableFaultsStayOutOfTheChecksAnswers)
{
    const bytes type34_of_16 = structure(34, 0x22, {1, 0x10, 0, 0, 0, 0, 0}, {"ABCDE"}, 16);
    struct {
        const char *name;
        bytes after_board, tail;
        std::string fault;
    } cases[] = {
        {"type 34 of 16 bytes after the board", type34_of_16, end_of_table(4),
         "Invalid entry length (16). Fixed up to 11.\n"},
        {"zero-length structure at the end", {}, bytes(4, 0),
         "Invalid entry length (0). DMI table is broken! Stop.\n\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        machine m("H8QG6", "KELB 5.3", true, c.after_board, c.tail);
        run_result r = m.run({"230"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, BANNER + detected("H8QG6") +
                             "No valid KELB configuration found. Generating new configuration.\n\n" + STORED);
        // Once for the board, once for the firmware version.
        EXPECT_EQ(r.err, c.fault + c.fault);
        bytes after = read_file(m.chip);
        ASSERT_EQ(after.size(), 256u);
        EXPECT_TRUE(std::equal(STORED_230.begin(), STORED_230.end(), after.begin() + CFG_NVRAM_OFFSET));
        EXPECT_TRUE(m.tmp_empty());
    }
}

TEST(DeviceRun, SafeguardsRefuseBeforeTheDriver)
{
    struct {
        std::string board, oem;
        int status;
        std::string out_after_banner, err;
    } cases[] = {
        {"H8QG6", "KELB 5.4", 7, detected("H8QG6"), mismatch("5.4")},
        {"H8QG6", "KELB 5.3.1", 7, detected("H8QG6"), mismatch("5.3.1")},
        {"H8QG6", "KELB 5", 7, detected("H8QG6"), mismatch("5")},
        {"H8QG6", "KELB", 6, detected("H8QG6"), unknown_firmware(-2)},
        {"H8QG6", "KELB 5.x", 6, detected("H8QG6"), unknown_firmware(-3)},
        {"H8QG6", "KELB 4.259", 6, detected("H8QG6"), unknown_firmware(-3)},
        {"H8QG6", "KELB 1.1027", 6, detected("H8QG6"), unknown_firmware(-3)},
        {"H8QG6", "KELB 5.3.0.0.01", 6, detected("H8QG6"), unknown_firmware(-1)},
        {"H8QG6 ", "KELB 5.3", 5, detected("H8QG6 "), "Unsupported board.\n"},
        {"H8DG6", "KELB 5.3", 5, detected("H8DG6"), "Unsupported board.\n"},
        {std::string(31, 'B'), "KELB 5.3", 4, "", "Couldn't determine board model (error -3).\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.board + " / " + c.oem);
        machine m(c.board, c.oem);
        run_result r = m.run({"230"});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, BANNER + c.out_after_banner);
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(m.untouched());
        EXPECT_TRUE(m.tmp_empty());
    }
}

TEST(DeviceRun, EachForceSkipsOneSafeguardInOrder)
{
    struct {
        std::vector<std::string> args;
        std::string board, oem;
        bool good_checksum;
        int status;
        std::string out_after_banner, err_after_warning;
    } cases[] = {
        // One -f: the board check goes, the firmware check stays.
        {{"-f", "230"}, "X9DRi", "KELB 5.3", true, 0,
         "No valid KELB configuration found. Generating new configuration.\n\n" + STORED, ""},
        {{"-f", "230"}, "X9DRi", "KELB 5.4", true, 7, "", mismatch("5.4")},
        // Two: the checksum test stays.
        {{"-f", "-f", "230"}, "X9DRi", "KELB 5.4", false, 9, "",
         "PC NVRAM checksum mismatch.\n\nReboot the machine and enter the BIOS setup. If needed, adjust settings.\n"
         "Then save and exit.\n"},
        // Three: nothing stays.
        {{"-fff", "230"}, "X9DRi", "KELB 5.4", false, 0,
         "No valid KELB configuration found. Generating new configuration.\n\n" + STORED, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.board + " " + c.oem);
        machine m(c.board, c.oem, c.good_checksum);
        run_result r = m.run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, BANNER + c.out_after_banner);
        EXPECT_EQ(r.err, WARNING_LINES + c.err_after_warning);
        bytes after = read_file(m.chip);
        if (c.status == 0)
            EXPECT_TRUE(std::equal(STORED_230.begin(), STORED_230.end(), after.begin() + CFG_NVRAM_OFFSET));
        else
            EXPECT_EQ(after, m.before);
        expect_unchanged_outside(m.before, after, 248, 253);
    }
}

TEST(DeviceRun, BothStreamsInOneFileKeepTheOrderWritten)
{
    struct {
        std::string board, oem;
        bool good_checksum;
        std::vector<env_change> more;
        std::string after_banner;
    } cases[] = {
        {"H8QG6", "KELB 5.4", true, {}, detected("H8QG6") + mismatch("5.4")},
        {"H8QG6", "KELB", true, {}, detected("H8QG6") + unknown_firmware(-2)},
        {"H8DG6", "KELB 5.3", true, {}, detected("H8DG6") + "Unsupported board.\n"},
        {std::string(31, 'B'), "KELB 5.3", true, {}, "Couldn't determine board model (error -3).\n"},
        {"H8QG6", "KELB 5.3", true, {{SIM_DLL_STATUS, "3"}},
         detected("H8QG6") + "Unable to initialize WinRing0 library: driver not found\nsys_init: " +
             errno_text(ENODEV) + "\n" + driver_advice({this_host(), ENODEV, 3, process_privileged(), false})},
        {"H8QG6", "KELB 5.3", false, {},
         detected("H8QG6") + "PC NVRAM checksum mismatch.\n\nReboot the machine and enter the BIOS setup. "
                             "If needed, adjust settings.\nThen save and exit.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.board + " / " + c.oem);
        machine m(c.board, c.oem, c.good_checksum);
        run_result r = m.run_one_file({"230"}, c.more);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.out, BANNER + c.after_banner);
        EXPECT_EQ(read_file(m.chip), m.before);
    }
}

// Settings by name on the device: every safeguard first, the record read
// through the ports, and only a real change written.
TEST(DeviceRun, SettingsByNameGoThroughTheSafeguards)
{
    const nvram_config start = {230, CFG_NOXMP, 2800, 0, 1, 2, 6};
    const std::vector<env_change> unlocked = {{SIM_PCI80, "0x00080000"}, {SIM_CPUID_EAX1, "0x00600F20"}};
    auto with_record = [&](machine &m) {
        m.before = chip_with_record(7, encode_config(start));
        write_file(m.chip, m.before);
    };
    auto data_writes = [](machine &m) {
        int n = 0;
        for (const auto &line : port_lines(read_lines(m.log)))
            n += line.rfind("out 73", 0) == 0;
        return n;
    };

    machine listed("H8QG6", "KELB 5.3");
    with_record(listed);
    run_result l = listed.run({"-l"}, unlocked);
    EXPECT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(l.err, BANNER + detected("H8QG6") + "KELB configuration found.\n\n");
    EXPECT_EQ(l.out.substr(0, l.out.find("refclock=")),
              "# record: found\n# image: 5e 08 03 08 30 ab\n"
              "# processor: extended family 6, from the processor\n"
              "# processor: multiplier unlocked (0), from the processor\n");
    for (const char *line : {"\ncore-multiplier=+3.0\n", "\nxmp=no\n", "\nht-cap=2800\n"})
        EXPECT_NE(l.out.find(line), std::string::npos) << line << l.out;
    EXPECT_EQ(read_file(listed.chip), listed.before);
    EXPECT_EQ(data_writes(listed), 0);
    EXPECT_EQ(read_lines(listed.log).back(), "deinit");
    EXPECT_TRUE(listed.tmp_empty());

    machine set("H8QG6", "KELB 5.3");
    with_record(set);
    run_result s = set.run({"-s", "xmp=yes", "-s", "nb-multiplier=11x"}, unlocked);
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(s.out, BANNER + detected("H8QG6") + "KELB configuration found.\n\n" + STORED);
    nvram_config want = start;
    want.flags = 0;
    want.nbmulti = 3;
    bytes after = read_file(set.chip);
    config_image image = encode_config(want);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), after.begin() + CFG_NVRAM_OFFSET));
    expect_unchanged_outside(set.before, after, 248, 253);
    EXPECT_EQ(data_writes(set), 7); // the interim check byte, the five data bytes, the check byte

    // Refused: the simulated processor (family 1 by default) has no such northbridge setting.
    machine refused("H8QG6", "KELB 5.3");
    with_record(refused);
    run_result r = refused.run({"-s", "nb-multiplier=11x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(data_writes(refused), 0);
    EXPECT_EQ(read_file(refused.chip), refused.before);

    machine other("X9DRi", "KELB 5.3");
    with_record(other);
    run_result o = other.run({"-l"}, unlocked);
    EXPECT_EQ(o.status, 5);
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(other.untouched());
    machine bad_sum("H8QG6", "KELB 5.3", false);
    run_result b = bad_sum.run({"-s", "xmp=no"}, unlocked);
    EXPECT_EQ(b.status, 9);
    EXPECT_EQ(read_file(bad_sum.chip), bad_sum.before);
    EXPECT_EQ(data_writes(bad_sum), 0);

    // A record that cannot be read is not listed as the stock state.
    machine unreadable("H8QG6", "KELB 5.3");
    with_record(unreadable);
    std::vector<env_change> broken = unlocked;
    broken.push_back({SIM_INDEX_READBACK, "broken"});
    run_result u = unreadable.run({"-l"}, broken);
    EXPECT_EQ(u.status, 13) << u.err;
    EXPECT_EQ(u.out, "");
    EXPECT_EQ(read_file(unreadable.chip), unreadable.before);
}
