#include "hw/lockdown.h"

#include <gtest/gtest.h>

TEST(lockdown, only_integrity_and_confidentiality_forbid_raw_ports)
{
    const struct { const char *text; bool forbids; } cases[] = {
        {"[none] integrity confidentiality", false},
        {"none [integrity] confidentiality", true},
        {"none integrity [confidentiality]", true},
        {"none integrity [confidentiality]\n", true},
        {"none integrity confidentiality", false},
        {"", false},
        {"none [integrity", false},
        {"[integrityx] none", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lockdown_forbids_raw_io(c.text), c.forbids) << '"' << c.text << '"';
}
