// Placeholder until the vendor structures are decoded.
#include "smbios/oem.h"

oem_vendor_id oem_vendor = oem_vendor_id::none;
void set_oem_vendor(const char *) {}
bool decode_oem_structure(const smbios_structure &) { return false; }
