#pragma once
// The process's resident memory, for benchmarks that print what they hold.
#include <fstream>
#include <string>

inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return -1;
}
