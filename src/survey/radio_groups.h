#pragma once
// Which BSSIDs are one access point: a device broadcasts a BSSID per SSID and band,
// and says so in its elements. Evidence, strongest first: the multi-link (MLD) address
// of a Wi-Fi 7 access point; the Multiple BSSID element, which names the set's other
// BSSIDs; the Reduced Neighbor Report's co-located radios; and last, with nothing
// said, addresses that differ only in the low bits a vendor counts through, heard on
// the same channel.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wireless/information_elements.h"

// One BSS entry of a pass, as grouping needs it.
struct BssFacts {
    MacAddress bssid{};
    std::string ssid;
    uint32_t channel = 0;
    int32_t rssi = -100;
    InformationElements elements;
};

enum RadioEvidence : unsigned {
    kEvidenceMultiLink = 1,
    kEvidenceMultipleBssid = 2,
    kEvidenceNeighborReport = 4,
    kEvidenceAddressPattern = 8,
};

struct RadioGroup {
    // Stays the same from pass to pass while the access point does: its MLD address,
    // else its lowest BSSID; aliases are kept by it.
    std::string key;
    std::vector<size_t> members;  // indexes into the entries, strongest first
    unsigned evidence = 0;  // RadioEvidence bits that joined the members
};

// Every entry in exactly one group; groups ordered by their strongest member.
std::vector<RadioGroup> GroupRadios(std::span<const BssFacts> entries);

// "multi-link address, multiple BSSID, neighbor report, address pattern", as many as apply.
std::string EvidenceText(unsigned evidence);

// Whether two addresses may be one device's by their pattern alone: the same OUI
// (the locally administered bit aside), the next two bytes equal, and the last two
// differing only in the low nibble of the last byte.
bool SameAddressBlock(const MacAddress& a, const MacAddress& b);
