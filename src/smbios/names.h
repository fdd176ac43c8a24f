#pragma once
// Name tables of enumerated fields and bit lists, and their lookups. A table
// carries its first value (or its codes) with its names; every lookup of a
// value that no row names gives OUT_OF_SPEC.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

inline constexpr const char OUT_OF_SPEC[] = "<OUT OF SPEC>";

// Names of consecutive values, or bits, from `first`: names[i] names first + i.
struct name_run {
    unsigned first;
    std::span<const char *const> names;
};

// The storage of one run, written as its first value and then its names:
//   constexpr names_from wake_up_types{0x00, "Reserved", "Other", ...};
template <std::size_t N>
struct names_from {
    unsigned first;
    const char *names[N];
    template <typename... T>
    constexpr names_from(unsigned first_value, T... value_names) : first(first_value), names{value_names...} {}
    constexpr operator name_run() const { return {first, names}; }
};
template <typename... T>
names_from(unsigned, T...) -> names_from<sizeof...(T)>;

// The name of `value` in a table of one run, or of several runs (a field
// whose values form two ranges, such as standard and PC-98 types).
const char *name_of(std::span<const name_run> runs, unsigned value);
inline const char *name_of(name_run run, unsigned value)
{
    return name_of(std::span<const name_run>(&run, 1), value);
}

// "\t\t<name>\n" for every set bit that the run names, in ascending bit
// order; a bit whose name is null (reserved) prints nothing.
void print_bit_list(std::uint64_t value, name_run bits);

// One named code of a field whose values are scattered.
struct code_name {
    std::uint16_t code;
    const char *name;
};

// Rows of a sparse table are kept in ascending code order and found by bisection.
template <typename Row>
constexpr bool sorted_by_code(std::span<const Row> rows)
{
    return std::is_sorted(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.code < b.code; });
}

template <typename Row>
constexpr const Row *find_code(std::span<const Row> rows, unsigned code)
{
    auto it = std::lower_bound(rows.begin(), rows.end(), code, [](const Row &r, unsigned c) { return r.code < c; });
    return it != rows.end() && it->code == code ? &*it : nullptr;
}

const char *name_of(std::span<const code_name> codes, unsigned value);
