#!/bin/bash
# Main window with 10,000 notes under Wine: how long loading them from the reference server
# holds the window, and how long one keystroke in the search box takes to refilter the list
# and the status bar (WM_SETTEXT on the search box plus a synchronous repaint, timed by the UI
# driver from outside the client), for texts and for pinyin initials.
#   bash tools/bench_ui.sh
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null
source tools/xvfb.sh
DATA=$(mktemp -d)
# Without sessions: the notes are posted and the client remembered by user id alone.
build/native/norvane-server serve --data "$DATA" --listen 127.0.0.1:0 --open-data-service \
    >"$DATA/out" 2>/dev/null &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; [ -n "${CLIENT:-}" ] && kill $CLIENT 2>/dev/null; rm -rf "$DATA"' EXIT
for _ in $(seq 150); do grep -q listening "$DATA/out" 2>/dev/null && break; sleep 0.2; done
PORT=$(grep -o '[0-9]*$' "$DATA/out")
USER_ID=$(echo pw | build/native/norvane-server user add --data "$DATA" --account big \
    --type enterprise --company 澄岚映辉照明科技有限公司)
python3 - "$PORT" "$USER_ID" <<'PY'
import concurrent.futures, json, random, sys, urllib.request
port, user = sys.argv[1], sys.argv[2]
rnd = random.Random(7)
customers = ['深圳市光年装饰工程有限公司', '佛山照明城新区店', '华润中心物业管理处', '东莞市明辉装饰工程部',
             '广州天河灯饰批发中心', '中山古镇灯具市场一档', '澄岚映辉照明工程部']
projects = ['万科城市花园三期', '门店补货', '华润中心写字楼', '保利天悦二期地下车库', '年底备货']
def body(i):
    items = [{'product': rnd.choice(['LED灯带', 'LED筒灯', 'LED面板灯', '感应灯管']), 'model': 'M-%d' % i,
              'length': '1.2m', 'wattage': '18W', 'brightness': '单亮', 'sensorMode': '雷达',
              'quantity': rnd.randint(1, 300), 'unit': '个', 'price': rnd.randint(100, 99999) / 100}
             for _ in range(3)]
    return json.dumps({'no': 'SHD2026%08d' % i, 'customer': rnd.choice(customers),
                       'project': rnd.choice(projects), 'contact': '王工', 'contactPhone': '1380013%04d' % (i % 10000),
                       'address': '广东省深圳市南山区科技园%d号' % i, 'remark': '', 'date': '2026-12-06',
                       'status': rnd.choice(['待送达', '已送达']), 'userId': user, 'items': items}).encode()
bodies = [body(i) for i in range(10000)]
def post(b):
    req = urllib.request.Request('http://127.0.0.1:%s/api/delivery-notes' % port, data=b, method='POST')
    urllib.request.urlopen(req).read()
with concurrent.futures.ThreadPoolExecutor(8) as ex:
    list(ex.map(post, bodies))
PY
tools/wine.sh cmd /c exit 0 >/dev/null 2>&1 || true
APPDIR=$(echo build/wineprefix/drive_c/users/*/AppData/Roaming)/Norvane
mkdir -p "$APPDIR"
python3 -c "
import sys
open(sys.argv[1], 'wb').write('[app]\r\nserver=http://127.0.0.1:$PORT\r\n[session]\r\nuserId=$USER_ID\r\nremember=1\r\n'.encode('utf-16'))" "$APPDIR/config.ini"
D="tools/wine.sh build/windows/ui_driver.exe"
tools/wine.sh build/windows/norvane.exe >/dev/null 2>&1 &
CLIENT=$!
$D wait NorvaneMainWnd 60
for _ in $(seq 100); do $D gettext NorvaneMainWnd 1003 | grep -q '共 10000 单' && break; sleep 0.5; done
echo "status: $($D gettext NorvaneMainWnd 1003)"
echo "refresh (load 10,000 notes), ms:"
LOADS=()
for _ in 1 2 3; do LOADS+=("$($D time-command NorvaneMainWnd 2001)"); echo "${LOADS[-1]}"; done
echo "search keystrokes, ms:"
KEYS=()
# The last four before the empty text are pinyin initials (广州天河…, 万科城…).
for text in S SH SHD SHD2 SHD20 SHD2026 SHD20260 SHD202600 SHD2026000 SHD20260001 照 照明 '照明 ' 万科 万科城 g gz gzth wkc '' ; do
    KEYS+=("$($D time-settext NorvaneMainWnd 1002 "$text")")
    printf '%-12s %s\n' "'$text'" "${KEYS[-1]}"
done
echo "rows after the last search: $($D gettext NorvaneMainWnd 1003)"
$D close NorvaneMainWnd
echo "the client's own account of the loads (app.log):"
grep 'notes loaded: 10000' "$APPDIR/app.log" | tail -3
python3 - "${LOADS[*]}" "${KEYS[*]}" <<'PY'
import statistics, sys
loads = [float(x) for x in sys.argv[1].split()]
keys = [float(x) for x in sys.argv[2].split()]
print('ui: load_max_ms=%.0f load_median_ms=%.0f search_median_ms=%.1f search_max_ms=%.1f' % (
    max(loads), statistics.median(loads), statistics.median(keys), max(keys)))
PY
