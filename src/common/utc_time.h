#pragma once
// Times written into files as ISO 8601 UTC text.
#include <cstdint>
#include <string>

// "YYYY-MM-DDTHH:MM:SSZ" of milliseconds since 1970 (before it too), or with
// milliseconds "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string UtcIsoText(int64_t unixMs, bool withMilliseconds = false);
