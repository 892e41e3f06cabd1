#!/bin/bash
# The desktop client's windows end to end (see ui_test.py); screenshots in build/artifacts/.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/tools/xvfb.sh"
exec python3 "$ROOT/tests/e2e/ui_test.py"
