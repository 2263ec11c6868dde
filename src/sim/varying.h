#pragma once
// Numbers of a scenario that change from epoch to epoch, and their values by epoch.
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace wlan::sim {

// A number that may change from epoch to epoch: a constant, a list by epoch or a
// bounded random walk.
struct Varying {
    enum class Kind { Constant, List, Walk };
    Kind kind = Kind::Constant;
    std::vector<int64_t> values;  // the constant, or the list
    int64_t low = 0, high = 0, step = 3;
    uint64_t entity = 0;  // hash of the value's place in the file, for the walk
    static Varying Constant(int64_t v) { return {Kind::Constant, {v}}; }
};

// The values of varying numbers by epoch. A walk is a pure function of the seed,
// its entity and the epoch; it is stepped on from the last epoch asked, so that
// a long run costs one step per epoch.
class VaryingValues {
public:
    explicit VaryingValues(uint64_t seed) : seed_(seed) {}
    int64_t At(const Varying& v, uint64_t epoch);

private:
    struct Walked {
        uint64_t epoch;
        int64_t value;
    };
    uint64_t seed_;
    std::unordered_map<const Varying*, Walked> walks_;
};

}  // namespace wlan::sim
