#pragma once
// Signal over time per BSSID, one value a pass, in bounded memory: the last day at a
// pass a second. Values are whole dBm in a byte; a BSSID takes memory only for the
// stretches of passes in which it was heard.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct HeardRssi {
    std::string_view bssid;
    int32_t rssi = 0;  // dBm
};

class SignalHistory {
public:
    static constexpr size_t kDefaultPasses = 86400;  // a day at a pass a second
    static constexpr size_t kBlock = 4096;  // passes a stretch of memory holds

    explicit SignalHistory(size_t passesKept = kDefaultPasses);

    // One pass: its time (milliseconds since 1970, UTC) and what it heard.
    void AddPass(int64_t timeMs, std::span<const HeardRssi> heard);
    void Clear();

    // Passes kept, oldest first: pass 0 is the oldest still kept.
    size_t Passes() const;
    int64_t PassTime(size_t pass) const;
    // The RSSI of a BSSID in a kept pass; none where it was not heard.
    std::optional<int32_t> Rssi(std::string_view bssid, size_t pass) const;
    std::vector<std::string> Bssids() const;  // every BSSID heard in a kept pass, sorted
    size_t MemoryBytes() const;

    // "time" and a column per BSSID, a row per kept pass from `fromPass`: ISO 8601 UTC
    // time, the RSSI, empty where not heard; CRLF line ends.
    std::string Csv(std::span<const std::string> bssids, size_t fromPass = 0) const;

private:
    using Block = std::array<int8_t, kBlock>;
    struct Series {
        std::vector<std::unique_ptr<Block>> blocks;  // by slot: block number modulo the slots
        std::vector<uint64_t> blockNumbers;  // which block each slot holds
        uint64_t lastPass = 0;  // the newest pass that heard it
    };
    size_t Slots() const { return (kept_ + kBlock - 1) / kBlock + 1; }
    uint64_t FirstKept() const { return total_ > kept_ ? total_ - kept_ : 0; }

    // Looked up by a view of the pass's text, without making a string each time.
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    Series& SeriesOf(std::string_view bssid);

    size_t kept_;
    uint64_t total_ = 0;  // passes ever added
    std::vector<int64_t> times_;  // by pass number modulo kept_
    std::unordered_map<std::string, Series, Hash, std::equal_to<>> series_;
};
