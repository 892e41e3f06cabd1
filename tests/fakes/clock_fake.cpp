#include "base/clock.h"
#include "fakes/fakes.h"

namespace nv {

namespace {
LocalTime g_now{2025, 1, 2, 3, 4, 5};
}

void fake::set_local_now(const LocalTime& t) {
    g_now = t;
}

LocalTime local_now() {
    return g_now;
}

}  // namespace nv
