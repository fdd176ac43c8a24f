#include "cu/settings_list.h"

#include "cu/settings_table.h"
#include "hw/cpu.h"
#include "hw/nvram.h"

#include <cstdlib>
#include <unistd.h>

using namespace named_settings;

namespace {

// The listing's word for each lock state, indexed by multiplier_lock.
constexpr const char *LOCK_WORDS[] = {"unlocked", "locked", "lock unknown"};
static_assert(std::size(LOCK_WORDS) == static_cast<std::size_t>(multiplier_lock::unknown) + 1);

} // namespace

void print_listing(std::FILE *out, config_status status, const config_image *image,
                   const nvram_config &stored, const nvram_config &effective, processor_facts cpu)
{
    const char *state = status == CONFIG_VALID       ? "found"
                        : status == CONFIG_BOOT_FAILED ? "boot-failure mark (the last three boot attempts "
                                                         "with these settings failed)"
                                                       : "none (the firmware runs at stock)";
    std::fprintf(out, "# record: %s\n", state);
    if (image) {
        const config_image &b = *image;
        std::fprintf(out, "# image: %02x %02x %02x %02x %02x %02x\n", b[0], b[1], b[2], b[3], b[4], b[5]);
    } else {
        std::fputs("# image: not readable\n", out);
    }
    const char *lock = LOCK_WORDS[static_cast<std::size_t>(cpu.lock())];
    std::fprintf(out, "# processor: extended family %d, from %s\n", cpu.family,
                 std::getenv(ENV_CPU_FAMILY) ? ENV_CPU_FAMILY : "the processor");
    std::fprintf(out, "# processor: multiplier %s (%d), from %s\n", lock, cpu.lock_reading,
                 std::getenv(ENV_CPU_LOCKED) ? ENV_CPU_LOCKED : "the processor");
    if (status == CONFIG_ABSENT) {
        std::fputs("refclock=stock\n", out);
        return;
    }
    for (const setting &s : SETTINGS) {
        unsigned v = get(stored, s), e = get(effective, s);
        std::string text = value_text(s, v), effect = value_text(s, e);
        // A line is what -i reads as a request: a stored value the processor
        // withholds from the dialogue is shown as a comment, with the value
        // in effect as the line.
        if (v != e && !offered(s, cpu)) {
            std::fprintf(out, "# %s=%s is stored, but %s: %s is in effect, and a restore stores that\n", s.name,
                         text.c_str(), constraint_text(s, cpu).c_str(), effect.c_str());
            text = effect;
        } else if (v != e) {
            std::fprintf(out, "# %s: %s, so a run that does not name it stores %s\n", s.name,
                         constraint_text(s, cpu).c_str(), effect.c_str());
        } else if (!on_grid(s, v)) {
            std::fprintf(out, "# %s: %s is no value of the dialogue (%s); a complete listing restores it\n", s.name,
                         text.c_str(), values_text(s).c_str());
        } else if (!offered(s, cpu) && (s.rule != restriction::never_asked || v != default_of(s))) {
            std::fprintf(out, "# %s: not offered on this processor (%s); %s\n", s.name,
                         constraint_text(s, cpu).c_str(),
                         forced(s, cpu) ? "it stays at this value" : "a complete listing restores it");
        }
        std::fprintf(out, "%s=%s\n", s.name, text.c_str());
    }
}

void print_changes(config_status stored_status, const nvram_config &stored, const nvram_config &now)
{
    bool absent = stored_status == CONFIG_ABSENT;
    const setting &refclock = SETTINGS[REFCLOCK];
    if (now.target == 0) {
        std::printf("%s: %s -> stock\n", refclock.name, value_text(refclock, stored.target).c_str());
        return;
    }
    for (const setting &s : SETTINGS) {
        unsigned old = get(stored, s), v = get(now, s);
        if (absent || old != v)
            std::printf("%s: %s -> %s\n", s.name, absent ? "stock" : value_text(s, old).c_str(),
                        value_text(s, v).c_str());
    }
    if (stored_status == CONFIG_BOOT_FAILED)
        std::puts("record: boot-failure mark -> found");
}

std::FILE *divert_output_for_listing()
{
    std::fflush(stdout);
    int listing_fd = dup(1);
    std::FILE *out = listing_fd != -1 ? fdopen(listing_fd, "w") : nullptr;
    if (!out) {
        if (listing_fd != -1)
            close(listing_fd);
        return stdout;
    }
    dup2(2, 1);
    return out;
}

void list_record(std::FILE *out, nvram &store, config_status status, const nvram_config &stored,
                 const nvram_config &effective, processor_facts cpu)
{
    config_image image;
    bool readable = store.read(image.data(), image.size(), CFG_NVRAM_OFFSET) == static_cast<int>(image.size());
    print_listing(out, status, readable ? &image : nullptr, stored, effective, cpu);
}

void print_settings_usage()
{
    std::printf("\nSettings (-l, -s, -i), in the dialogue's order:\n");
    for (const setting &s : SETTINGS) {
        const char *question = s.label;
        while (*question == ' ') // the dialogue indents the questions behind a gate
            question++;
        std::printf("\t%-16s%s\n\t\t\t%s\n", s.name, values_text(s).c_str(), question);
    }
}
