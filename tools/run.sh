#!/bin/bash
# Builds norvane.exe and runs it under Wine.
#
# What runs today: the money-amount self-test (norvane.exe --finance-selftest), whose exit code
# is reported. The interactive client, the reference server and the headless screenshot mode
# join this command as they land.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "running: norvane.exe --finance-selftest (under Wine, prefix build/wineprefix)"
if tools/wine.sh build/windows/norvane.exe --finance-selftest; then
    echo "finance self-test passed (exit code 0)"
else
    rc=$?
    echo "finance self-test FAILED (exit code $rc)"
    exit "$rc"
fi
