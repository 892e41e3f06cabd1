#include "base/process_win.h"

namespace nv {

Process& process() {
    static Process p;
    return p;
}

}  // namespace nv
