#pragma once
// Vendor names of access points: the organisation that the IEEE registry lists
// for the first three bytes of a BSSID. The registry is compiled in at build
// time, so there is no data file to lose and nothing to fetch.
#include <cstddef>
#include <cstdint>
#include <string>

// The MA-L holder of the address's first three bytes; "" when none is listed.
std::string RegisteredVendor(const uint8_t (&mac)[6]);

// What the lists show: the registered vendor, or for a locally administered
// address "(random)" or "(locally administered)", since the prefix of such an
// address names no maker.
std::string VendorText(const uint8_t (&mac)[6]);

// The bytes that the compiled-in registry takes in the program.
size_t VendorTableBytes();
size_t VendorTablePrefixes();
