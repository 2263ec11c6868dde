#include "common/utc_time.h"

#include <cstdio>
#include <ctime>

std::string UtcIsoText(int64_t unixMs, bool withMilliseconds) {
    const int64_t below = unixMs % 1000 < 0 ? 1 : 0;
    const std::time_t seconds = static_cast<std::time_t>(unixMs / 1000 - below);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[40];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    if (withMilliseconds)
        std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(unixMs - static_cast<int64_t>(seconds) * 1000));
    else
        std::snprintf(text + n, sizeof text - n, "Z");
    return text;
}
