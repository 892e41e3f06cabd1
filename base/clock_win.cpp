#include <windows.h>

#include "base/clock.h"

namespace nv {

LocalTime local_now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace nv
