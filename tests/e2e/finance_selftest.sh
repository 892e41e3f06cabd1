#!/bin/bash
# norvane.exe --finance-selftest exits 0 under Wine and leaves no trace: no Norvane folder in
# the roaming application data (so no log and no config.ini either), wherever the switch stands
# among the arguments.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
WINE="$ROOT/tools/wine.sh"
EXE="$ROOT/build/windows/norvane.exe"
PREFIX=$WINEPREFIX

"$WINE" cmd /c exit 0 >/dev/null 2>&1 || true   # make sure the prefix exists
rm -rf "$PREFIX"/drive_c/users/*/AppData/Roaming/Norvane

for args in "--finance-selftest" "--selftest --finance-selftest" "extra --finance-selftest x"; do
    # shellcheck disable=SC2086
    if ! "$WINE" "$EXE" $args; then
        echo "FAIL: norvane.exe $args exited non-zero"
        exit 1
    fi
    "$WINE" --wait
    if ls -d "$PREFIX"/drive_c/users/*/AppData/Roaming/Norvane 2>/dev/null; then
        echo "FAIL: norvane.exe $args created the app-data folder"
        exit 1
    fi
done

echo "ok"
