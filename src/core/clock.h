#pragma once
// Wall-clock time behind an interface, so names made from the time can be
// tested with a fixed clock.

namespace kelno {

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const LocalTime&) const = default;
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual LocalTime Now() const = 0;
};

// The machine's local time.
class SystemWallClock final : public WallClock {
public:
    LocalTime Now() const override;
};

const WallClock& DefaultWallClock();

// The same time moved on by a number of milliseconds, carrying into seconds,
// minutes, hours, days (month lengths and leap years included), months, years.
LocalTime AddMilliseconds(LocalTime time, long long milliseconds);

}  // namespace kelno
