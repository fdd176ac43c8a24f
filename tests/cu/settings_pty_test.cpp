// -i - read from a terminal: the run says how to end the input, and reads it
// up to the end-of-file key. Only where the platform offers pseudo-terminals.
#include "cu/run_texts.h"

#include "cu/config.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/sim_chip.h"

#include <gtest/gtest.h>

TEST(SettingsTerminal, StandardInputAtATerminalSaysHowToEndIt)
{
    if (!pty_session::supported())
        GTEST_SKIP() << "no pseudo-terminals on this platform";
    scratch_dir dir;
    std::string nvram = dir.file("nvram.bin");
    bytes chip = make_chip(3);
    config_image image = encode_config(CFG_DEFAULTS);
    std::copy(image.begin(), image.end(), chip.begin() + CFG_NVRAM_OFFSET);
    write_file(nvram, chip);
    const std::string hint = terminal_input_hint(KELB_CU_PATH);
    pty_session s({KELB_CU_PATH, "-d", nvram, "-i", "-"},
                  {{"KELB_DEBUG_CPU_EXTENDED_FAMILY", "-1"}, {"KELB_DEBUG_CPU_LOCKED", "0"}});
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.expect(hint)) << s.transcript();
    s.type("xmp=no\n\x04");
    ASSERT_TRUE(s.expect("Press any key to continue.\n")) << s.transcript();
    s.type("x");
    EXPECT_EQ(s.wait(), 0) << s.transcript();
    EXPECT_EQ(s.transcript(), BANNER + hint + FOUND + STORED + "\nPress any key to continue.\n");
    config_image stored;
    bytes after = read_file(nvram);
    std::copy(after.begin() + CFG_NVRAM_OFFSET, after.begin() + CFG_NVRAM_OFFSET + 6, stored.begin());
    EXPECT_EQ(stored, encode_config({200, CFG_NOXMP, 3200, 0, 1, 2, 0}));
}
