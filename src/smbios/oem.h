#pragma once
// Vendor detection and the vendor-specific structures.
#include "smbios/structure.h"

enum class oem_vendor_id { none, hp, acer };
extern oem_vendor_id oem_vendor;

// Detects the vendor from the System Information manufacturer string.
void set_oem_vendor(const char *manufacturer);
// Prints a vendor structure of the recognised vendor; false when not handled.
bool decode_oem_structure(const smbios_structure &s);
