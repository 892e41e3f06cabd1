// The computer's local time, read through the platform (GetLocalTime on Windows).
#pragma once

namespace nv {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1-12
    int day = 0;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Implemented in clock_win.cpp; native tests link a fake.
LocalTime local_now();

}  // namespace nv
