#pragma once
// A value a recording keeps epoch by epoch: only its changes, each as the distance
// in epochs and in value from the one before.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wlan {

// A number observed in some epochs: only its changes are kept, each as the
// distance in epochs and in value from the one before (variable-length, mostly
// two bytes), so a value that stands still costs nothing however long the
// recording runs, and one that walks a little costs little.
template <typename T>
class Observed {
public:
    void At(uint32_t epoch, T value);
    bool Empty() const { return changes_ == 0; }
    bool Constant() const { return changes_ <= 1; }
    T First() const { return first_; }
    // Values by epoch from epoch 1 to the last change; epochs before the first
    // observation take its value.
    std::vector<T> ByEpoch() const;
    size_t Changes() const { return changes_; }
    size_t Bytes() const { return bytes_.capacity(); }

private:
    std::vector<uint8_t> bytes_;
    size_t changes_ = 0;
    uint32_t lastEpoch_ = 0;
    T first_{}, last_{};
};

}  // namespace wlan
