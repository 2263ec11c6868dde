#include "survey/observed.h"

namespace wlan {

namespace {

void PutVarint(std::vector<uint8_t>& out, uint64_t v) {
    for (; v >= 0x80; v >>= 7) out.push_back(static_cast<uint8_t>(v | 0x80));
    out.push_back(static_cast<uint8_t>(v));
}

uint64_t GetVarint(const std::vector<uint8_t>& in, size_t& at) {
    uint64_t v = 0;
    for (int shift = 0; at < in.size(); shift += 7) {
        const uint8_t b = in[at++];
        v |= uint64_t{b & 0x7Fu} << shift;
        if (!(b & 0x80)) break;
    }
    return v;
}

// Small steps either way in few bytes.
uint64_t ZigZag(int64_t v) { return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63); }
int64_t UnZigZag(uint64_t v) { return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1); }

}  // namespace

template <typename T>
void Observed<T>::At(uint32_t epoch, T value) {
    if (changes_ && value == last_) return;
    if (changes_ == 0) first_ = value;
    PutVarint(bytes_, epoch - lastEpoch_);
    PutVarint(bytes_, ZigZag(static_cast<int64_t>(value) - static_cast<int64_t>(changes_ ? last_ : T{})));
    lastEpoch_ = epoch;
    last_ = value;
    ++changes_;
}

template <typename T>
std::vector<T> Observed<T>::ByEpoch() const {
    std::vector<T> out;
    if (changes_ == 0) return out;
    out.reserve(lastEpoch_);
    size_t at = 0;
    uint32_t epoch = 0;
    T value{};
    for (size_t k = 0; k < changes_; ++k) {
        epoch += static_cast<uint32_t>(GetVarint(bytes_, at));
        const T next = static_cast<T>(static_cast<int64_t>(value) + UnZigZag(GetVarint(bytes_, at)));
        // The value before stands up to this change; the first also for the epochs before it was seen.
        while (out.size() + 1 < epoch) out.push_back(k ? value : next);
        value = next;
    }
    out.push_back(value);
    return out;
}

template class Observed<uint32_t>;
template class Observed<bool>;
template class Observed<uint64_t>;

}  // namespace wlan
