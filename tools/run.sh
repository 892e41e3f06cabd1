#!/bin/bash
# Runs Norvane: the reference server with demo data, and the Windows client under Wine.
#
#   bash tools/run.sh              serve until Ctrl+C
#   bash tools/run.sh --headless   run everything once without waiting, then stop
#
# What runs today: norvane-server with a demo data folder (build/run-data, kept between runs),
# and norvane.exe's money-amount self-test under Wine. The interactive client joins this
# command when its windows land.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
HEADLESS=0
[ "${1:-}" = "--headless" ] && HEADLESS=1

bash tools/setup.sh
echo "building (native and windows presets)..."
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null

DATA=build/run-data
PORT=${NORVANE_PORT:-18080}
mkdir -p build
build/native/norvane-server serve --data "$DATA" --listen "127.0.0.1:$PORT" --demo \
    >build/run-server.out 2>build/run-server.log &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true; wait $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    grep -q '^listening on' build/run-server.out 2>/dev/null && break
    kill -0 $SERVER 2>/dev/null || { cat build/run-server.out build/run-server.log; exit 1; }
    sleep 0.1
done
cat build/run-server.out
echo "server data: $DATA (log: build/run-server.log)"

echo "running: norvane.exe --finance-selftest (under Wine, prefix build/wineprefix)"
if tools/wine.sh build/windows/norvane.exe --finance-selftest; then
    echo "finance self-test passed (exit code 0)"
else
    echo "finance self-test FAILED (exit code $?)"
    exit 1
fi

if [ $HEADLESS -eq 1 ]; then
    curl -sf "http://127.0.0.1:$PORT/api/company/info?user_id=1" >/dev/null &&
        echo "server answers on http://127.0.0.1:$PORT"
    exit 0
fi
echo "serving on http://127.0.0.1:$PORT; press Ctrl+C to stop"
wait $SERVER
