#include "sim/varying.h"

#include <algorithm>

namespace wlan::sim {
namespace {

uint64_t Mix(uint64_t x) {  // splitmix64
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

uint64_t Draw(uint64_t seed, uint64_t entity, uint64_t epoch) { return Mix(Mix(Mix(seed) ^ entity) ^ epoch); }

}  // namespace

int64_t VaryingValues::At(const Varying& v, uint64_t epoch) {
    if (v.kind != Varying::Kind::Walk) {
        if (v.values.empty()) return 0;
        size_t k = epoch == 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(epoch - 1, v.values.size() - 1));
        return v.values[k];
    }
    const uint64_t span = static_cast<uint64_t>(v.high - v.low) + 1;
    auto [it, fresh] = walks_.try_emplace(&v, Walked{0, 0});
    Walked& w = it->second;
    if (fresh || w.epoch > epoch) w = {0, v.low + static_cast<int64_t>(span ? Draw(seed_, v.entity, 0) % span : 0)};
    const uint64_t moves = 2 * static_cast<uint64_t>(v.step) + 1;
    while (w.epoch < epoch) {
        ++w.epoch;
        int64_t delta = static_cast<int64_t>(Draw(seed_, v.entity, w.epoch) % moves) - v.step;
        w.value = std::clamp(w.value + delta, v.low, v.high);
    }
    return w.value;
}

}  // namespace wlan::sim
