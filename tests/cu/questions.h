#pragma once
// The dialogue's questions by name, and a reader of transcripts that says
// which questions were asked with which default.
#include "cu/config.h"

#include <cstdio>
#include <string>
#include <string_view>

// Each question by name: a setting's question by the setting's name, a gate
// by its group, and the reset and the limited core voltage by their own. A
// new question is one row here, wherever the dialogue asks it.
struct question {
    const char *name, *label;
};
inline constexpr question QUESTIONS[] = {
    {"reset", "Reset KELB configuration to defaults (stock)"},
    {"refclock", "Reference clock"},
    {"core-multiplier", "Core multiplier adjustment (USE WITH CARE)"},
    {"core-voltage", "Core voltage adjustment (USE WITH CARE) -- mV"},
    {"debugging", "Change debugging options"},
    {"multiple-sets", "    Perform multiple refclock sets (not recommended)"},
    {"warm-reset-only", "    Configure refclock on warm reset only (not recommended)"},
    {"cpu", "Change advanced CPU options"},
    {"limited-core-voltage", "    Limited core voltage adjustment (USE WITH CARE) -- mV"},
    {"pstate-lock", "    Lock the CPU to maximal performance P-state"},
    {"all-pstates", "    Core multiplier: adjust multiplier of all P-states (USE WITH CARE)"},
    {"northbridge", "Change advanced Northbridge options"},
    {"nb-voltage", "    Northbridge voltage adjustment -- mV"},
    {"nb-multiplier", "    Northbridge frequency multiplier"},
    {"memory", "Change advanced memory options"},
    {"xmp", "    Use XMP profile 1, if available"},
    {"xmp-merge", "    XMP1: merge JEDEC and XMP CAS latency lists"},
    {"fast-memory", "    Allow effective memory speeds above DDR3-1333"},
    {"force-1t", "    Force 1T command rate in 1 UDIMM/ch configurations"},
    {"dimm-1v5", "    Force 1.5V DIMM Vdd (DANGEROUS)"},
    {"relax-timings", "    Relax memory timings"},
    {"ht", "Change advanced HT options"},
    {"ht-cap", "    Effective HT frequency cap"},
    {"ht-alt-tuning", "    Use alternative HT tuning"},
};

inline const char *question_label(std::string_view name)
{
    for (const question &q : QUESTIONS)
        if (name == q.name)
            return q.label;
    return "?";
}

// "refclock[200] debugging[no] ..." for the questions in `transcript`; "?" for
// a text that is no question of the dialogue.
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
        for (const question &known : QUESTIONS) {
            std::string label = std::string(known.label) + " (";
            if (q.compare(0, label.size(), label) == 0)
                id = known.name + q.substr(q.rfind('['));
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
