#!/bin/bash
# norvane.exe --selftest under Wine against the reference server: the exact lines of an empty
# account and of an account with notes, the NOT FOUND path, no service call without
# selftest.txt, the second-instance exit, and what app.log and config.ini hold afterwards.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
source "$ROOT/tools/xvfb.sh" --own
WINE="$ROOT/tools/wine.sh"
WORK="$ROOT/build/e2e/selftest"
PREFIX=$WINEPREFIX
rm -rf "$WORK"
mkdir -p "$WORK/bin"
cp "$ROOT/build/windows/norvane.exe" "$WORK/bin/"
fail() { echo "FAIL: $*"; exit 1; }
# The version the client was built with, which its log's start line names.
NV_VERSION=$(sed -n 's/^#define NV_VERSION "\(.*\)"$/\1/p' "$ROOT/build/windows/generated/base/version.h")
export NV_VERSION

# A service without sessions: the self-test names its users in config.ini, as such a service
# allows. Its run with a remembered session token is tested with the windows (ui_test.py).
"$ROOT/build/native/norvane-server" serve --data "$WORK/data" --listen 127.0.0.1:0 --demo \
    --open-data-service >"$WORK/server.out" 2>"$WORK/server.log" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 300); do grep -q '^listening on' "$WORK/server.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^listening on' "$WORK/server.out" ||
    { echo "FAIL: the server did not start: $(cat "$WORK/server.out" "$WORK/server.log")"; exit 1; }
BASE=$(grep -o 'http://[0-9.:]*' "$WORK/server.out")
EMPTY_ID=$(echo pw | "$ROOT/build/native/norvane-server" user add --data "$WORK/data" \
    --account empty1 --type personal --company 空账户)

"$WINE" cmd /c exit 0 >/dev/null 2>&1 || true
APPDIR=$(echo "$PREFIX"/drive_c/users/*/AppData/Roaming)/Norvane
rm -rf "$APPDIR"

# --- first start: config.ini created in UTF-16 with the server and every default ---------
# (the interactive client then asks for a sign-in; closing its window ends the program).
# Its update check asks the default server, which is outside this machine: where the system
# allows it, the client runs in a network namespace of its own, which has no way out.
offline() { if unshare -n true 2>/dev/null; then unshare -n "$@"; else "$@"; fi; }
offline "$WINE" "$WORK/bin/norvane.exe" &
CLIENT=$!
"$WINE" "$ROOT/build/windows/ui_driver.exe" wait NorvaneLoginWnd 90 ||
    fail "no login window within 90 s; app.log: $(cat "$APPDIR/app.log" 2>/dev/null)"
"$WINE" "$ROOT/build/windows/ui_driver.exe" close NorvaneLoginWnd
wait $CLIENT || fail "closing the login window: exit code $?"
"$WINE" --wait
python3 - "$APPDIR/config.ini" "$APPDIR/app.log" <<'PY' || fail "first start"
import os, sys
ini = open(sys.argv[1], 'rb').read()
assert ini.startswith(b'\xff\xfe'), ini[:8]
text = ini.decode('utf-16')
assert 'server=https://data.norvane.cn' in text, text
assert 'width_mm=241' in text and 'margin_left_mm=8' in text and 'copies=1' in text, text
log = open(sys.argv[2], encoding='utf-8').read()
assert '==== Norvane %s start ====' % os.environ['NV_VERSION'] in log and 'login required' in log, log
PY
rm -rf "$APPDIR"

# config.ini as a remembered session would leave it (UTF-16, as start-up creates it).
write_config() {  # user-id
    mkdir -p "$APPDIR"
    python3 - "$APPDIR/config.ini" "$BASE" "$1" <<'PY'
import sys
text = '[app]\r\nserver=%s/\r\n[session]\r\nuserId=%s\r\n' % (sys.argv[2], sys.argv[3])
open(sys.argv[1], 'wb').write(text.encode('utf-16'))
PY
}
run_selftest() {
    rm -f "$WORK/bin/selftest.txt"
    "$WINE" "$WORK/bin/norvane.exe" --selftest || fail "exit code $?"
    "$WINE" --wait
}

# --- an empty account: seven lines --------------------------------------------------------
write_config "$EMPTY_ID"
run_selftest
python3 - "$WORK/bin/selftest.txt" "$BASE" "$EMPTY_ID" <<'PY' || fail "empty account lines"
import re, sys
raw = open(sys.argv[1], 'rb').read()
assert b'\r' not in raw
lines = raw.decode('utf-8').split('\n')
assert lines[-1] == '', lines
lines = lines[:-1]
base, uid = sys.argv[2], sys.argv[3]
assert len(lines) == 7, lines
assert lines[0] == 'server=%s/ userId=%s' % (base, uid), lines[0]
assert lines[1] == '[1] list: ok=1 msg= count=0', lines[1]
assert lines[2] == '[2] create: ok=1 msg=', lines[2]
assert re.fullmatch(r'\[3\] readback: id=\d+ customer=客户端自检（可删） items=1 total=20\.00', lines[3]), lines[3]
assert re.fullmatch(r'\[4\] payload bytes=\d+', lines[4]), lines[4]
assert lines[5] == '[5] delete: ok=1 msg=', lines[5]
assert lines[6] == '[6] login(bad): ok=0 msg=账号或密码错误', lines[6]
PY

# --- the demo account: nine lines, and the test note is gone again ---------------------
write_config 1
run_selftest
python3 - "$WORK/bin/selftest.txt" "$BASE" <<'PY' || fail "demo account lines"
import re, sys, json, urllib.request
lines = open(sys.argv[1], encoding='utf-8').read().split('\n')[:-1]
assert len(lines) == 9, lines
assert lines[1] == '[1] list: ok=1 msg= count=5', lines[1]
assert lines[2] == ('    first: no=SHD20261203090500 customer=广州天河灯饰批发中心 project=年底备货 '
                    'date=2026-12-03 status=待送达 items=3 total=10670.00'), lines[2]
assert lines[3] == '    item0: LED灯带 | NV-5050-60 | qty=80.00 price=65.00', lines[3]
m = re.fullmatch(r'\[4\] payload bytes=(\d+)', lines[6])
assert m, lines[6]
notes = json.load(urllib.request.urlopen(sys.argv[2] + '/api/delivery-notes?userId=1'))['data']
assert not any(n['no'].startswith('NVTEST') for n in notes), 'test note left behind'
PY
# The payload byte count is the one the payload writer gives for that note.
PAYLOAD_BYTES=$(sed -n 7p "$WORK/bin/selftest.txt" | grep -o '[0-9]*$')

# --- a user the service does not know: create fails, readback NOT FOUND ----------------
write_config 987654
run_selftest
python3 - "$WORK/bin/selftest.txt" <<'PY' || fail "NOT FOUND path"
import sys
lines = open(sys.argv[1], encoding='utf-8').read().split('\n')[:-1]
assert lines[1] == '[1] list: ok=0 msg=用户不存在 count=0', lines
assert lines[2] == '[2] create: ok=0 msg=用户不存在', lines
assert lines[3] == '[3] readback: NOT FOUND', lines
assert lines[4] == '[6] login(bad): ok=0 msg=账号或密码错误', lines
assert len(lines) == 5
PY

# --- no selftest.txt possible: no service call at all -----------------------------------
write_config 1
rm -f "$WORK/bin/selftest.txt"
mkdir "$WORK/bin/selftest.txt"
# Only data-service calls count: the update check, which every start begins on its own thread,
# may ask the same server for its release manifest at any moment.
service_calls() { grep -vc '^GET /*releases/' "$WORK/server.log" || true; }
before=$(service_calls)
"$WINE" "$WORK/bin/norvane.exe" --selftest || fail "exit code with unwritable selftest.txt"
"$WINE" --wait
after=$(service_calls)
[ "$before" = "$after" ] || fail "service called although selftest.txt could not be opened"
rmdir "$WORK/bin/selftest.txt"

# --- a second instance activates the first one and leaves --------------------------------
rm -f "$WORK/ready" "$WORK/result"
"$WINE" "$ROOT/build/windows/mutex_holder.exe" "Z:${WORK//\//\\}\\ready" "Z:${WORK//\//\\}\\result" &
HOLDER=$!
for _ in $(seq 200); do [ -e "$WORK/ready" ] && break; sleep 0.1; done
[ -e "$WORK/ready" ] || fail "mutex holder did not start"
starts_before=$(grep -c 'start ====' "$APPDIR/app.log")
"$WINE" "$WORK/bin/norvane.exe" --selftest || fail "second instance exit code"
wait $HOLDER
[ "$(cat "$WORK/result")" = restored ] || fail "the first instance's window was not restored: $(cat "$WORK/result")"
[ ! -e "$WORK/bin/selftest.txt" ] || fail "second instance ran the self-test"
[ "$(grep -c 'start ====' "$APPDIR/app.log")" = $((starts_before + 1)) ] || fail "no start line"
# Its start and ini lines, perhaps followed by the update thread's first lines.
sed -n '/start ====/h; /start ====/!H; ${x;p}' "$APPDIR/app.log" | grep -q '\] ini=' ||
    fail "second instance's ini line missing"

# --- app.log and config.ini after the runs ------------------------------------------------
python3 - "$APPDIR/app.log" "$APPDIR/config.ini" <<'PY' || fail "app.log or config.ini"
import os, re, sys
log = open(sys.argv[1], 'rb').read().decode('utf-8')
lines = log.split('\n')[:-1]
assert all(re.fullmatch(r'\[\d\d:\d\d:\d\d\] .+', l) for l in lines), lines
assert log.count('==== Norvane %s start ====' % os.environ['NV_VERSION']) == 5
assert log.count('selftest done') == 4
ini = open(sys.argv[2], 'rb').read()
assert ini.startswith(b'\xff\xfe'), ini[:4]
text = ini.decode('utf-16')
for key in ('width_mm=241', 'height_mm=139.5', 'row_mm=6.0', 'printer=EPSON LQ-735K', 'port=17801'):
    assert key in text, key
assert 'raster' not in text and 'financeServer' not in text
PY
cp "$APPDIR/app.log" "$APPDIR/config.ini" "$WORK/"
echo "ok (payload of the demo note: $PAYLOAD_BYTES bytes)"
