// A day of signal history: 300 BSSIDs heard on every pass, a pass a second for 24
// hours. Goal: under 40 MB. Prints the store's own count of its memory, the process's
// resident memory, and the cost of one pass.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "resident_memory.h"
#include "survey/signal_history.h"

int main() {
    constexpr int kBssids = 300, kPasses = 86400;
    std::vector<std::string> names;
    for (int i = 0; i < kBssids; ++i) {
        char name[18];
        std::snprintf(name, sizeof name, "02:00:00:00:%02X:%02X", i / 256, i % 256);
        names.push_back(name);
    }
    const long before = ResidentKiB();
    SignalHistory history;
    std::vector<HeardRssi> heard(kBssids);
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < kPasses; ++pass) {
        for (int i = 0; i < kBssids; ++i)
            heard[static_cast<size_t>(i)] = {names[static_cast<size_t>(i)], -40 - (pass + i) % 50};
        history.AddPass(int64_t{1'765'000'000'000} + pass * 1000LL, heard);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("signal history, %d BSSIDs heard on every pass, %d passes (a day at a pass a second)\n", kBssids,
                kPasses);
    std::printf("  store: %.1f MB (goal < 40 MB); process resident memory grew by %.1f MB\n",
                history.MemoryBytes() / 1e6, (ResidentKiB() - before) / 1024.0);
    std::printf("  one pass: %.1f us\n", seconds * 1e6 / kPasses);
    return 0;
}
