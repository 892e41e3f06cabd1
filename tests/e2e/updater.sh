#!/bin/bash
# The updater end to end (see updater_test.py): a release published on the reference server,
# hostile and stale manifests from a test server, the install command at exit.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
source "$ROOT/tools/xvfb.sh" --own
trap '[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
python3 "$ROOT/tests/e2e/updater_test.py"
