#include "cu/config.h"

#include "cu/settings_table.h"
#include "hw/cpu.h"
#include "hw/nvram.h"
#include "runtime/diagnostics.h"

#include <algorithm>
#include <cstdio>

namespace {

std::uint8_t check_byte(const config_image &b)
{
    return static_cast<std::uint8_t>(CFG_CHECK_BASE - (b[0] + b[1] + b[2] + b[3] + b[4]));
}

void say(const char *text)
{
    std::printf("%s\n\n", text);
}

} // namespace

config_image encode_config(const nvram_config &c)
{
    config_image b;
    if (c.target == CFG_RESET_TARGET) {
        b.fill(CFG_RESET_BYTE);
        return b;
    }
    b.fill(0);
    for (const named_settings::setting &s : named_settings::SETTINGS)
        b[named_settings::image_place(s).byte] |= named_settings::stored_bits(c, s);
    b[CFG_CHECK_BYTE] = check_byte(b);
    return b;
}

config_status decode_config(const config_image &b, nvram_config *out)
{
    std::uint8_t c = check_byte(b);
    if (b[CFG_CHECK_BYTE] != c && b[CFG_CHECK_BYTE] != (c ^ 0xFF))
        return CONFIG_ABSENT;
    *out = {};
    for (const named_settings::setting &s : named_settings::SETTINGS)
        named_settings::load_bits(out, s, b[named_settings::image_place(s).byte]);
    return b[CFG_CHECK_BYTE] == c ? CONFIG_VALID : CONFIG_BOOT_FAILED;
}

config_status read_config(nvram &store, record_state &r)
{
    config_image b;
    nvram_config loaded;
    const int want = static_cast<int>(b.size());
    int got = store.read(b.data(), b.size(), CFG_NVRAM_OFFSET);
    // Another agent of the machine may select a register in the middle of the
    // transfer; that passes, so the device is asked again a few times.
    for (int retry = 1; !store.short_read_is_end() && got != want && retry < CONFIG_READ_TRIES; retry++)
        got = store.read(b.data(), b.size(), CFG_NVRAM_OFFSET);
    // Only a backing file that ends before the record holds no configuration;
    // taking any other failure for one would store defaults over the
    // operator's settings.
    if (got != want && (!store.short_read_is_end() || got < 0))
        return CONFIG_READ_FAILED;
    r.image_found.assign(b.begin(), b.begin() + got);
    config_status st = got == want ? decode_config(b, &loaded) : CONFIG_ABSENT;
    r.old_cfg_loaded = st != CONFIG_ABSENT;
    switch (st) {
    case CONFIG_VALID:
        r.cfg = r.old_cfg = loaded;
        say("KELB configuration found.");
        break;
    case CONFIG_BOOT_FAILED:
        // The operator starts from the failed settings; any new target stores
        // them again with a correct check byte.
        r.cfg = r.old_cfg = loaded;
        r.old_cfg.target = 0;
        say("*** LAST THREE BOOT ATTEMPTS UNSUCCESSFUL. REVISE THE SETTINGS AND TRY AGAIN. ***");
        break;
    case CONFIG_ABSENT:
        say("No valid KELB configuration found. Generating new configuration.");
        break;
    case CONFIG_READ_FAILED:
        break;
    }
    return st;
}

processor_facts read_processor_facts()
{
    int family = cpu_extended_family();
    return {family, cpu_is_locked()};
}

void apply_cpu_constraints(nvram_config *c, processor_facts cpu)
{
    for (const named_settings::setting &s : named_settings::SETTINGS)
        if (named_settings::forced(s, cpu))
            named_settings::put(c, s, named_settings::default_of(s));
}

bool config_changed(const record_state &r)
{
    // A reset when NVRAM holds no configuration at all changes nothing: the
    // firmware already finds no valid record, which is what a reset stores.
    // So nothing is written in that case.
    if (!r.old_cfg_loaded && r.cfg.target == 0 && r.old_cfg.target == 0)
        return false;
    return records_differ(r.cfg, r.old_cfg);
}

namespace {

// A valid record, or one with the boot-failure mark: the images the firmware reads.
bool firmware_takes(std::span<const std::uint8_t> image)
{
    config_image b{};
    if (image.size() != b.size())
        return false;
    std::copy(image.begin(), image.end(), b.begin());
    nvram_config ignored;
    return decode_config(b, &ignored) != CONFIG_ABSENT;
}

} // namespace

replace_result write_config(nvram &store, const record_state &r, int verbosity)
{
    config_image b = encode_config(r.cfg);
    if (verbosity > 0) {
        report_error("%s: buffer: %02x %02x %02x %02x %02x %02x\n\n", "write_config",
                     b[0], b[1], b[2], b[3], b[4], b[5]);
    }
    return nvram_replace(store, CFG_NVRAM_OFFSET, r.image_found, b, firmware_takes);
}
