#include "core/clock.h"

#include <chrono>
#include <ctime>

namespace kelno {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[(month - 1) % 12];
}

}  // namespace

LocalTime SystemWallClock::Now() const {
    const auto now = std::chrono::system_clock::now();
    const auto sinceEpoch = now.time_since_epoch();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
            parts.tm_min,         parts.tm_sec,     static_cast<int>(millis)};
}

const WallClock& DefaultWallClock() {
    static const SystemWallClock clock;
    return clock;
}

LocalTime AddMilliseconds(LocalTime time, long long milliseconds) {
    if (milliseconds <= 0) return time;
    long long total = time.millisecond + milliseconds;
    time.millisecond = static_cast<int>(total % 1000);
    total = time.second + total / 1000;
    time.second = static_cast<int>(total % 60);
    total = time.minute + total / 60;
    time.minute = static_cast<int>(total % 60);
    total = time.hour + total / 60;
    time.hour = static_cast<int>(total % 24);
    long long days = total / 24;
    while (days > 0) {
        const int left = DaysInMonth(time.year, time.month) - time.day;
        if (days <= left) {
            time.day += static_cast<int>(days);
            break;
        }
        days -= left + 1;
        time.day = 1;
        if (++time.month > 12) {
            time.month = 1;
            ++time.year;
        }
    }
    return time;
}

}  // namespace kelno
