#!/bin/bash
# The desktop client's windows end to end (see ui_test.py); screenshots in build/artifacts/.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
source "$ROOT/tools/xvfb.sh" --own
source "$ROOT/tools/printer.sh"  # prints land as PDFs in build/printed/
trap '[ -n "${CUPSD_PID:-}" ] && kill "$CUPSD_PID" 2>/dev/null; [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
# Debian's Python, which has openpyxl (the python3 first on the PATH may be another).
/usr/bin/python3 "$ROOT/tests/e2e/ui_test.py"
