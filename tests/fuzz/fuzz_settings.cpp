// The settings text of -i, read and applied by the rules on every processor.
// The first input byte picks the processor, the next six are the stored
// image; the rest is the text. A refusal leaves the record as loaded; an
// accepted result is a record the rules allow; the listing of the stored
// record is accepted back and is then a fixed point.
#include "fuzz_common.h"

#include "cu/settings.h"
#include "cu/settings_list.h"
#include "cu/settings_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace named_settings;

namespace {

constexpr int FAMILIES[] = {-1, 1, 6, 16};
constexpr int LOCKS[] = {0, 1, -1};

bool same(const nvram_config &a, const nvram_config &b)
{
    return a.target == b.target && a.flags == b.flags && a.htlimit == b.htlimit && a.nbmulti == b.nbmulti &&
           a.nbv == b.nbv && a.vcore == b.vcore && a.cpumulti == b.cpumulti;
}

// What every accepted result must be, whatever the text said.
void check_allowed(const nvram_config &loaded, const nvram_config &result, const assignment_list &wanted,
                   processor_facts cpu)
{
    if (result.target == 0)
        return; // a reset: the reset image is stored, whatever the other fields hold
    bool complete = is_complete_listing(wanted);
    for (const setting &s : SETTINGS) {
        unsigned v = get(result, s), before = get(loaded, s);
        if (!in_image_range(s, v))
            fuzz_fail("an accepted value does not fit the image");
        if (v == before)
            continue;
        if (!offered(s, cpu) && forced(s, cpu))
            fuzz_fail("a setting the processor forces was changed");
        if (!complete && !offered(s, cpu))
            fuzz_fail("an assignment changed a setting the dialogue does not offer");
        if (!complete && !on_grid(s, v))
            fuzz_fail("an assignment stored a value off the dialogue's grid");
    }
    if (complete)
        return; // a restore takes the record's relations between settings as they were
    for (const setting &s : SETTINGS) {
        if (s.needs && get(result, s) != default_of(s) && !s.needs(result) &&
            (get(loaded, s) != get(result, s) || s.needs(loaded)))
            fuzz_fail("an assignment left a flag the dialogue would have cleared");
    }
}

std::string listing_of(config_status status, const config_image &image, const nvram_config &stored,
                       const nvram_config &loaded, processor_facts cpu)
{
    char *text = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    if (!out)
        fuzz_fail("cannot open a memory stream");
    print_listing(out, status, &image, stored, loaded, cpu);
    std::fclose(out);
    std::string listing(text, size);
    std::free(text);
    return listing;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    quiet_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 + CFG_IMAGE_SIZE)
        return 0;
    const processor_facts cpu = {FAMILIES[data[0] % 4], LOCKS[data[0] / 4 % 3]};
    config_image image;
    std::memcpy(image.data(), data + 1, CFG_IMAGE_SIZE);
    nvram_config stored = CFG_DEFAULTS;
    config_status status = decode_config(image, &stored);
    if (status == CONFIG_ABSENT)
        stored = CFG_DEFAULTS;
    nvram_config loaded = stored;
    apply_cpu_constraints(&loaded, cpu);

    std::string_view text(reinterpret_cast<const char *>(data + 1 + CFG_IMAGE_SIZE), size - 1 - CFG_IMAGE_SIZE);
    assignment_list wanted;
    if (parse_assignment_text("kelb-cu", "fuzz", text, &wanted)) {
        nvram_config result = loaded;
        if (!apply_assignments("kelb-cu", wanted, &result, cpu)) {
            if (!same(result, loaded))
                fuzz_fail("a refused text changed the record");
        } else {
            check_allowed(loaded, result, wanted, cpu);
        }
    }

    // The record's own listing restores on this processor, and restoring it
    // again changes nothing.
    std::string listing = listing_of(status, image, stored, loaded, cpu);
    assignment_list back;
    nvram_config restored = loaded;
    if (!parse_assignment_text("kelb-cu", "listing", listing, &back) ||
        !apply_assignments("kelb-cu", back, &restored, cpu))
        fuzz_fail("a listing was refused on the processor that wrote it");
    nvram_config again = restored;
    if (!apply_assignments("kelb-cu", back, &again, cpu) || !same(again, restored))
        fuzz_fail("a listing restored twice differs");
    return 0;
}
