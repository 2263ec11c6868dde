#include "wireless/vendor.h"

#include <algorithm>
#include <iterator>

#include "wireless/oui_table.inc"

namespace {

constexpr uint8_t kLocallyAdministered = 0x02;
constexpr uint8_t kEscape = 0x01;
constexpr uint8_t kFirstWordCode = 0x80;

std::string Decode(size_t nameIndex) {
    std::string text;
    for (const char* p = oui_table::kNames + oui_table::kNameStart[nameIndex]; *p; ++p) {
        const auto byte = static_cast<uint8_t>(*p);
        if (byte == kEscape && p[1]) {
            text += *++p;
        } else if (byte >= kFirstWordCode) {
            text += oui_table::kWords + oui_table::kWordStart[byte - kFirstWordCode];
        } else {
            text += *p;
        }
    }
    return text;
}

std::string RegisteredVendor(uint32_t prefix) {
    const uint16_t* first = oui_table::kLow + oui_table::kBucketStart[prefix >> 16];
    const uint16_t* last = oui_table::kLow + oui_table::kBucketStart[(prefix >> 16) + 1];
    const uint16_t low = static_cast<uint16_t>(prefix & 0xFFFF);
    const uint16_t* found = std::lower_bound(first, last, low);
    if (found == last || *found != low) return "";
    return Decode(oui_table::kName[found - oui_table::kLow]);
}

uint32_t Prefix(const uint8_t (&mac)[6]) { return uint32_t{mac[0]} << 16 | uint32_t{mac[1]} << 8 | mac[2]; }

}  // namespace

std::string RegisteredVendor(const uint8_t (&mac)[6]) { return RegisteredVendor(Prefix(mac)); }

std::string VendorText(const uint8_t (&mac)[6]) {
    if (!(mac[0] & kLocallyAdministered)) return RegisteredVendor(mac);
    // Access points that serve several networks often derive the extra BSSIDs
    // from their own address by setting this bit; phones and other random
    // addresses rarely hit a registered prefix that way.
    const uint32_t universal = Prefix(mac) & ~(uint32_t{kLocallyAdministered} << 16);
    return RegisteredVendor(universal).empty() ? "(random)" : "(locally administered)";
}

size_t VendorTableBytes() {
    return sizeof oui_table::kBucketStart + sizeof oui_table::kLow + sizeof oui_table::kName +
           sizeof oui_table::kNameStart + sizeof oui_table::kNames + sizeof oui_table::kWordStart +
           sizeof oui_table::kWords;
}

size_t VendorTablePrefixes() { return std::size(oui_table::kLow); }
