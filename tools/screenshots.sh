#!/bin/bash
# Screenshots of every window at 96 and 144 DPI into build/artifacts/, for a person to look at
# (the tests assert what matters; pictures assert nothing). Runs the windows' end-to-end test
# with screenshots on; builds first when the programs are missing.
#
#   bash tools/screenshots.sh
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
if [ ! -x build/windows/norvane.exe ] || [ ! -x build/native/norvane-server ]; then
    bash tools/setup.sh
    cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
    cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null
fi
NV_SCREENSHOTS=1 bash tests/e2e/ui.sh
ls build/artifacts/*.png
