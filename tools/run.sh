#!/bin/bash
# Runs Norvane: the reference server with demo data and the Windows client under Wine.
#
#   bash tools/run.sh              with a display (DISPLAY set): the client in a window;
#                                  sign in with account demo, password demo123, type 企业账号
#   bash tools/run.sh --headless   no display needed: Xvfb, the client signs in to the demo
#                                  account by itself, screenshots go to build/artifacts/run-*.png
#
# The server keeps its data in build/run-data between runs (NORVANE_PORT changes its port).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
# Wine converts arguments and file names with the Unix locale's character set: without a UTF-8
# locale a Chinese argument reaches the program as question marks.
case "$(locale charmap 2>/dev/null)" in
    UTF-8) ;;
    *) unset LC_ALL; export LANG=C.UTF-8 LC_CTYPE=C.UTF-8 ;;
esac
HEADLESS=0
[ "${1:-}" = "--headless" ] && HEADLESS=1
[ -z "${DISPLAY:-}" ] && HEADLESS=1

bash tools/setup.sh
echo "building (native and windows presets)..."
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null
[ $HEADLESS -eq 1 ] && source tools/xvfb.sh
# The test printer: CUPS with a CUPS-PDF queue, and "EPSON LQ-735K" (the client's default
# printer) on it in the Wine prefix. Every print becomes a PDF in build/printed/.
source tools/printer.sh

DATA=build/run-data
PORT=${NORVANE_PORT:-18080}
mkdir -p build
build/native/norvane-server serve --data "$DATA" --listen "127.0.0.1:$PORT" --demo \
    >build/run-server.out 2>build/run-server.log &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true; wait $SERVER 2>/dev/null || true
      [ -n "${CUPSD_PID:-}" ] && kill "$CUPSD_PID" 2>/dev/null
      [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    grep -q '^listening on' build/run-server.out 2>/dev/null && break
    kill -0 $SERVER 2>/dev/null || { cat build/run-server.out build/run-server.log; exit 1; }
    sleep 0.1
done
cat build/run-server.out
echo "server data: $DATA (log: build/run-server.log)"

echo "checking: norvane.exe --finance-selftest"
tools/wine.sh build/windows/norvane.exe --finance-selftest && echo "finance self-test passed"

# Point the client at this server (config.ini in the Wine prefix's roaming application data).
tools/wine.sh cmd /c exit 0 >/dev/null 2>&1 || true
APPDIR=$(echo build/wineprefix/drive_c/users/*/AppData/Roaming)/Norvane
mkdir -p "$APPDIR"
python3 - "$APPDIR/config.ini" "http://127.0.0.1:$PORT" <<'PY'
import os, re, sys
path, url = sys.argv[1], sys.argv[2]
text = open(path, 'rb').read().decode('utf-16') if os.path.exists(path) else ''
if re.search(r'(?m)^server=', text):
    text = re.sub(r'(?m)^server=.*$', 'server=' + url, text)
else:
    text = '[app]\r\nserver=%s\r\n' % url + text
open(path, 'wb').write(text.encode('utf-16'))
PY

if [ $HEADLESS -eq 0 ]; then
    echo "starting the client; sign in with demo / demo123 (企业账号)"
    echo "prints go to the printer EPSON LQ-735K and land as PDFs in $PRINTED"
    tools/wine.sh build/windows/norvane.exe
    exit 0
fi

mkdir -p build/artifacts
D="tools/wine.sh build/windows/ui_driver.exe"
tools/wine.sh build/windows/norvane.exe >/dev/null 2>&1 &
CLIENT=$!
if $D wait NorvaneLoginWnd 30 2>/dev/null; then
    sleep 1
    import -window root build/artifacts/run-login.png
    $D settext NorvaneLoginWnd 5001 demo
    $D settext NorvaneLoginWnd 5002 demo123
    $D combo NorvaneLoginWnd 5003 1
    $D click NorvaneLoginWnd 5005
fi
$D wait NorvaneMainWnd 30
sleep 3
import -window root build/artifacts/run-main.png
echo "status bar: $($D gettext NorvaneMainWnd 1003)"
# Print the first note: the preview, then the confirmed print to the PDF printer.
before=$(ls "$PRINTED" | wc -l)
$D select NorvaneMainWnd 1001 0
$D command NorvaneMainWnd 2004
if $D wait NorvanePrintPreview 30 2>/dev/null; then
    sleep 1
    import -window root build/artifacts/run-preview.png
    $D click NorvanePrintPreview 1
    for _ in $(seq 60); do [ "$(ls "$PRINTED" | wc -l)" -gt "$before" ] && break; sleep 0.5; done
    echo "status bar: $($D gettext NorvaneMainWnd 1003)"
    echo "printed: $(ls -t "$PRINTED" | head -1) in $PRINTED"
fi
$D close NorvaneMainWnd
wait $CLIENT || true
# Wine's own processes end before the display does.
timeout 30 tools/wine.sh --wait >/dev/null 2>&1 || tools/wine.sh --stop >/dev/null 2>&1 || true
echo "screenshots: build/artifacts/run-login.png, run-main.png, run-preview.png"
