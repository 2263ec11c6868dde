// libFuzzer target: the information-element reader on hostile input. The first
// byte chooses between a bare element blob and a whole BSS list whose entries
// point at their elements with offsets and sizes of the input's choosing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "wireless/information_elements.h"

namespace {

void Exercise(std::span<const uint8_t> bytes, uint32_t frequencyKhz) {
    const InformationElements ie = ParseInformationElements(bytes);
    if (ie.bytes > bytes.size()) __builtin_trap();
    volatile size_t sink = 0;
    for (const std::string& text :
         {GenerationShortText(ie, frequencyKhz), GenerationLongText(ie, frequencyKhz), WidthText(ie),
          CentreChannelText(ie), StationsText(ie), ChannelUtilizationText(ie), CountryText(ie), SecurityText(ie),
          FastRoamingText(ie), ElementsSummaryText(ie)})
        sink = sink + text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool asList = data[0] & 1;
    ++data;
    --size;
    if (!asList) {
        // A copy of exactly the input's size, so that any read past it is caught.
        std::vector<uint8_t> blob(data, data + size);
        Exercise(blob, size > 0 ? 2412000u + data[0] * 20000u : 2437000u);
        return 0;
    }
    // The list lives in an 8-aligned buffer of the input's size; dwTotalSize may
    // claim less than that, never more (it is the service's own buffer size).
    std::vector<uint64_t> storage((size + 7) / 8 + 1);
    auto* bytes = reinterpret_cast<uint8_t*>(storage.data());
    std::memcpy(bytes, data, size);
    if (size < offsetof(wlan::WLAN_BSS_LIST, wlanBssEntries)) return 0;
    auto* list = reinterpret_cast<wlan::WLAN_BSS_LIST*>(bytes);
    if (list->dwTotalSize > size) list->dwTotalSize = static_cast<uint32_t>(size);
    const size_t entries = list->dwNumberOfItems < 64 ? list->dwNumberOfItems : 64;
    for (size_t k = 0; k < entries; ++k) {
        const auto span = BssEntryElementBytes(list, k);
        if (!span.empty() && (span.data() < bytes || span.data() + span.size() > bytes + list->dwTotalSize))
            __builtin_trap();
        Exercise(span, 5180000);
    }
    return 0;
}
