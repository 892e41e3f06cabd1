#!/bin/bash
# Print preview timings under Wine: the time from the print command to the preview window shown
# for a 3-page and a 9-page note on the 300 dpi test printer (9 pages of 2846 x 1647 dots are the
# most the 128 MiB preview budget holds there), for a 128-page note on the 75 dpi queue (the
# budget holds 128 pages only at such a resolution), and the time to render one page into a
# bitmap.
# Needs the native and windows builds.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
source tools/xvfb.sh
source tools/printer.sh
PORT=18941
DATA=$(mktemp -d)
build/native/norvane-server serve --data "$DATA" --listen 127.0.0.1:$PORT --demo >"$DATA/out" 2>/dev/null &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; [ -n "${CLIENT:-}" ] && kill $CLIENT 2>/dev/null
      [ -n "${CUPSD_PID:-}" ] && kill $CUPSD_PID 2>/dev/null
      [ -n "${XVFB_PID:-}" ] && kill $XVFB_PID 2>/dev/null; rm -rf "$DATA"' EXIT
until grep -q listening "$DATA/out" 2>/dev/null; do sleep 0.2; done
for n in 23 90 1408; do
    python3 - "$PORT" "$n" <<'PY'
import json, sys, urllib.request
port, n = sys.argv[1], int(sys.argv[2])
items = [{'product': 'LED灯带%d' % i, 'model': 'M', 'length': '5m', 'wattage': '12W',
          'brightness': '单亮', 'sensorMode': '无', 'quantity': 2, 'unit': '卷', 'price': 10.5}
         for i in range(n)]
body = {'no': 'SHD-BENCH-%d' % n, 'customer': 'c', 'project': 'p', 'contact': 'k',
        'contactPhone': '1', 'address': 'a', 'remark': '', 'date': '2026-12-06',
        'status': '待送达', 'userId': '1', 'items': items}
req = urllib.request.Request('http://127.0.0.1:%s/api/delivery-notes' % port,
                             data=json.dumps(body).encode(), method='POST',
                             headers={'Content-Type': 'application/json'})
urllib.request.urlopen(req).read()
PY
done
APPDIR=$(echo build/wineprefix/drive_c/users/*/AppData/Roaming)/Norvane
mkdir -p "$APPDIR"
python3 -c "
import sys
open(sys.argv[1], 'wb').write('[app]\r\nserver=http://127.0.0.1:$PORT\r\n[session]\r\nuserId=1\r\nremember=1\r\n'.encode('utf-16'))" "$APPDIR/config.ini"
D="tools/wine.sh build/windows/ui_driver.exe"
tools/wine.sh build/windows/norvane.exe >/dev/null 2>&1 &
CLIENT=$!
$D wait NorvaneMainWnd 60
for _ in $(seq 100); do $D gettext NorvaneMainWnd 1003 | grep -q '共 8 单' && break; sleep 0.5; done
for n in 23 90; do
    row=$($D rows NorvaneMainWnd 1001 | grep -n "^SHD-BENCH-$n	" | cut -d: -f1)
    echo "print command to preview shown, $n items, ms:"
    for _ in 1 2 3; do
        $D select NorvaneMainWnd 1001 $((row - 1))
        $D time-window NorvaneMainWnd 2004 NorvanePrintPreview
        $D close NorvanePrintPreview
        $D gone NorvanePrintPreview 10
    done
done
$D close NorvaneMainWnd
wait $CLIENT || true
python3 -c "
import sys
open(sys.argv[1], 'wb').write('[app]\r\nserver=http://127.0.0.1:$PORT\r\n[session]\r\nuserId=1\r\nremember=1\r\n[print]\r\nprinter=norvane_form_75dpi\r\n'.encode('utf-16'))" "$APPDIR/config.ini"
tools/wine.sh build/windows/norvane.exe >/dev/null 2>&1 &
CLIENT=$!
$D wait NorvaneMainWnd 60
for _ in $(seq 100); do $D gettext NorvaneMainWnd 1003 | grep -q '共 8 单' && break; sleep 0.5; done
row=$($D rows NorvaneMainWnd 1001 | grep -n "^SHD-BENCH-1408	" | cut -d: -f1)
echo "print command to preview shown, 1408 items (128 pages at 75 dpi), ms:"
for _ in 1 2 3; do
    $D select NorvaneMainWnd 1001 $((row - 1))
    $D time-window NorvaneMainWnd 2004 NorvanePrintPreview
    echo "   $($D gettext NorvanePrintPreview 103) · $(grep -a 'dc dpi=' "$APPDIR/app.log" | tail -1 | cut -c12-)"
    $D close NorvanePrintPreview
    $D gone NorvanePrintPreview 30
done
$D close NorvaneMainWnd
wait $CLIENT || true
CLIENT=
echo "one page rendered into a 2846 x 1647 bitmap (bitmap made, filled, drawn), ms:"
(cd build/windows && LANG=C ../../tools/wine.sh norvane_win_tests.exe --gtest_filter='PageRender*' \
    --gtest_repeat=5 2>&1 | grep -o 'OK \] PageRender.* ([0-9]* ms)' | grep -o '([0-9]* ms)')
