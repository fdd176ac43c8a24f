#pragma once
// Finding the SMBIOS structure table: the access methods in their fixed
// order and the three kinds of entry point.
#include <cstddef>
#include <cstdint>

// Tries every access method in order; the decoder's exit status.
int smbios_access_sequence();

// Each decodes the entry point at `entry`, of which `available` bytes may be
// read: 1 when it is valid and its table has been walked, 0 when it is not
// valid, -1 when it is valid but its table could not be read whole.
int decode_entry_sm3(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);
int decode_entry_sm(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);
int decode_entry_dmi(const std::uint8_t *entry, std::size_t available, const char *source, unsigned flags);

std::uint32_t count_structures(const std::uint8_t *table, std::uint32_t length);
bool entry_checksum_ok(const std::uint8_t *bytes, std::size_t length);
