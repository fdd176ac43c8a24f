#pragma once
// The dialogue's questions by number, and a reader of transcripts that says
// which questions were asked with which default.
#include "cu/config.h"

#include <array>
#include <cstdio>
#include <string>

inline constexpr std::array<const char *, 25> QUESTION_LABELS = {
    nullptr,
    "Reset KELB configuration to defaults (stock)",
    "Reference clock",
    "Core multiplier adjustment (USE WITH CARE)",
    "Core voltage adjustment (USE WITH CARE) -- mV",
    "Change debugging options",
    "    Perform multiple refclock sets (not recommended)",
    "    Configure refclock on warm reset only (not recommended)",
    "Change advanced CPU options",
    "    Limited core voltage adjustment (USE WITH CARE) -- mV",
    "    Lock the CPU to maximal performance P-state",
    "    Core multiplier: adjust multiplier of all P-states (USE WITH CARE)",
    "Change advanced Northbridge options",
    "    Northbridge voltage adjustment -- mV",
    "    Northbridge frequency multiplier",
    "Change advanced memory options",
    "    Use XMP profile 1, if available",
    "    XMP1: merge JEDEC and XMP CAS latency lists",
    "    Allow effective memory speeds above DDR3-1333",
    "    Force 1T command rate in 1 UDIMM/ch configurations",
    "    Force 1.5V DIMM Vdd (DANGEROUS)",
    "    Relax memory timings",
    "Change advanced HT options",
    "    Effective HT frequency cap",
    "    Use alternative HT tuning",
};

// "2[200] 5[no] ..." for the questions in `transcript`; "?" for a text that
// is no question of the dialogue.
inline std::string asked_questions(const std::string &transcript)
{
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = transcript.find("]? ", pos);
        if (end == std::string::npos)
            break;
        std::string q = transcript.substr(pos, end + 1 - pos);
        pos = end + 3;
        // The question starts its line; earlier lines are other output.
        if (std::size_t nl = q.rfind('\n'); nl != std::string::npos)
            q.erase(0, nl + 1);
        std::string id = "?";
        for (std::size_t n = 1; n < QUESTION_LABELS.size(); n++) {
            std::string label = std::string(QUESTION_LABELS[n]) + " (";
            if (q.compare(0, label.size(), label) == 0)
                id = std::to_string(n) + q.substr(q.rfind('['));
        }
        out += (out.empty() ? "" : " ") + id;
    }
    return out;
}

inline std::string describe(const nvram_config &c)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, "{target %u flags 0x%03x htlimit %u nbmulti %u nbv %u vcore %u cpumulti %u}",
                  c.target, c.flags, c.htlimit, c.nbmulti, c.nbv, c.vcore, c.cpumulti);
    return buf;
}
