#pragma once
// Vendor detection and the vendor-specific structures (types 128..255 and
// the unassigned types below 126).
#include "smbios/structure.h"

#include <span>

enum oem_vendor_id : int {
    OEM_NONE = 0,
    OEM_HP = 1,
    OEM_ACER = 2,
};

// The maker found in the System Information structures met so far; never
// reset, and left alone by a manufacturer that names neither maker.
extern oem_vendor_id oem_vendor;

// Detects the vendor from the System Information manufacturer string.
void set_oem_vendor(const char *manufacturer);
// The structure types of the vendor recognised so far, sorted by code; none
// when no vendor is.
std::span<const structure_type> oem_structure_types();
