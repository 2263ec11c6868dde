#include "common/uid.h"

#include <chrono>

std::string MakeUserIdentifier(const LogTime& now) {
    using namespace std::chrono;
    const auto date = year_month_day{year{now.year}, month{static_cast<unsigned>(now.month)},
                                     day{static_cast<unsigned>(now.day)}};
    const auto epoch = year_month_day{year{1899}, December, day{30}};
    const long long dayNumber = (sys_days{date} - sys_days{epoch}).count();
    // The fraction of the day times 3600, rounded down: one step per 24 seconds.
    const int seconds = now.hour * 3600 + now.minute * 60 + now.second;
    return std::to_string(seconds / 24) + std::to_string(dayNumber);
}
