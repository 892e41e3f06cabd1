#!/bin/bash
# Load test of norvane-server with wrk on loopback: the list call of a user with 1,000 notes of 3
# items, the create call, and voucher save; then the peak memory of 8 parallel 4 MiB bodies and
# the answer time of normal requests while 32 clients send slowly. Prints one row per figure.
#   bash tools/bench_server.sh [SECONDS]
#   NV_SERVER=PATH bash tools/bench_server.sh [SECONDS]   the same for another build, taking
#                                                         turns with this one, and their ratio
#   bash tools/bench_server.sh --database [SECONDS]       this build on SQLite and on PostgreSQL
#                                                         (a throwaway cluster), taking turns,
#                                                         and their ratio
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
COMPARE_DATABASES=
if [ "${1:-}" = "--database" ]; then COMPARE_DATABASES=1; shift; fi
SECONDS_EACH=${1:-10}
command -v wrk >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -q wrk >/dev/null; }
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
WORK=$(mktemp -d)
PID=
trap '[ -n "$PID" ] && kill $PID 2>/dev/null; exec 3>&- 2>/dev/null; rm -rf "$WORK"' EXIT

if [ -n "$COMPARE_DATABASES" ]; then
    # The cluster lives as long as the holder's standard input (fd 3) stays open.
    exec 3> >(python3 tests/server/pg_cluster.py "$ROOT/build/pg/bench" >"$WORK/pg.port")
    for _ in $(seq 300); do [ -s "$WORK/pg.port" ] && break; sleep 0.1; done
    PG_PORT=$(cat "$WORK/pg.port")
    DATABASES=0
fi

# measure LABEL SERVER [postgresql]: prints "LABEL figure value" lines.
measure() {
    local label=$1 server=$2 data store=()
    data=$(mktemp -d "$WORK/$1.XXXX")
    if [ "${3:-}" = postgresql ]; then
        DATABASES=$((DATABASES + 1))
        psql -X -q -h 127.0.0.1 -p "$PG_PORT" -U postgres -d postgres \
            -c "CREATE DATABASE bench$DATABASES OWNER norvane"
        store=(--database "postgresql://norvane@127.0.0.1:$PG_PORT/bench$DATABASES")
    fi
    "$server" serve --data "$data" "${store[@]}" --listen 127.0.0.1:0 --demo --max-notes 100000000 \
        --open-data-service >"$data/out" 2>/dev/null 3>&- &
    PID=$!
    for _ in $(seq 100); do grep -q listening "$data/out" 2>/dev/null && break; sleep 0.2; done
    local base
    base=$(grep -o 'http://[0-9.:]*' "$data/out")
    local user
    user=$(echo bench1000 | "$server" user add --data "$data" "${store[@]}" --account bench \
        --type personal --company 压测 2>/dev/null)
    # Fill the user with 1,000 notes of 3 items through the API.
    python3 - "$base" "$user" "$ROOT/bench/server/create.lua" <<'PY'
import concurrent.futures, re, sys, urllib.request
base, user, lua = sys.argv[1], sys.argv[2], sys.argv[3]
src = open(lua, encoding='utf-8').read()
text = ''.join(re.findall(r"'([^']*)'", src.split('wrk.body =', 1)[1]))
text = text.replace('"userId":"', '"userId":"' + user, 1)
def post(_):
    req = urllib.request.Request(base + '/api/delivery-notes', data=text.encode(), method='POST')
    req.add_header('Content-Type', 'application/json')
    urllib.request.urlopen(req).read()
with concurrent.futures.ThreadPoolExecutor(8) as ex:
    list(ex.map(post, range(1000)))
PY
    local token
    token=$(curl -s -X POST "$base/api/v1/native/login" \
        -d '{"account":"demo","password":"demo123","userType":"enterprise"}' |
        python3 -c 'import json,sys; print(json.load(sys.stdin)["data"]["token"])')
    rate() {  # wrk output → "rate median p99"
        awk '/Requests\/sec/ {r=$2} /^ +50%/ {m=$2} /^ +99%/ {p=$2} END {print r, m, p}'
    }
    echo "$label list $(NV_USER=$user wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency \
        "$base/api/delivery-notes?userId=$user" | rate)"
    echo "$label create $(NV_USER=$user wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency \
        -s bench/server/create.lua "$base/api/delivery-notes" | rate)"
    echo "$label voucher $(NV_TOKEN=$token wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency \
        -s bench/server/voucher.lua "$base/api/v1/native/tenants/1/vouchers" | rate)"
    python3 - "$base" "$PID" "$label" <<'PY'
import json, socket, sys, threading, time, urllib.request
base, pid, label = sys.argv[1], int(sys.argv[2]), sys.argv[3]
host, port = base[len('http://'):].rsplit(':', 1)
def peak():
    with open('/proc/%d/status' % pid) as f:
        return int(next(l for l in f if l.startswith('VmHWM:')).split()[1])
# Eight notes of 4 MiB (a note padded with blanks) at once: the peak grows by what is read.
note = json.dumps({'no': 'BIG', 'customer': 'c', 'project': 'p', 'contact': 'k',
                   'contactPhone': '1', 'address': 'a', 'remark': '', 'date': '2026-12-06',
                   'status': '待送达', 'userId': '1', 'items': []}).encode()
body = note[:-1] + b' ' * (4 * 1024 * 1024 - len(note) - 1) + b'}'
before = peak()
def post():
    req = urllib.request.Request(base + '/api/delivery-notes', data=body, method='POST')
    urllib.request.urlopen(req, timeout=60).read()
threads = [threading.Thread(target=post) for _ in range(8)]
for t in threads: t.start()
for t in threads: t.join()
print(label, 'peak+ %.1f MB' % ((peak() - before) / 1024))
# 32 clients that send a byte every half second, and the slowest of 20 normal requests.
slow = []
for i in range(32):
    s = socket.create_connection((host, int(port)))
    s.sendall(b'POST /api/delivery-notes HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n{')
    slow.append(s)
stop = threading.Event()
def trickle():
    while not stop.wait(0.5):
        for s in slow:
            try: s.send(b' ')
            except OSError: pass
t = threading.Thread(target=trickle); t.start()
time.sleep(1)
worst = 0
for _ in range(20):
    started = time.monotonic()
    urllib.request.urlopen(base + '/api/company/info?user_id=1', timeout=30).read()
    worst = max(worst, time.monotonic() - started)
    time.sleep(0.1)
stop.set(); t.join()
for s in slow: s.close()
print(label, 'slowest %.1f ms' % (worst * 1000))
PY
    kill "$PID"
    wait "$PID" 2>/dev/null || true
    PID=
}

# With another build, the two take turns (ROUNDS times, default 2), so that a slow spell of a
# shared machine does not fall on one of them alone; the ratio is that of the summed rates.
{
    # This block runs in a subshell of its own: a server it started ends with it.
    trap '[ -n "$PID" ] && kill $PID 2>/dev/null' EXIT
    if [ -n "$COMPARE_DATABASES" ]; then
        for _ in $(seq "${ROUNDS:-2}"); do
            measure sqlite build/native/norvane-server
            measure postgresql build/native/norvane-server postgresql
        done
    elif [ -n "${NV_SERVER:-}" ]; then
        for _ in $(seq "${ROUNDS:-2}"); do
            measure other "$NV_SERVER"
            measure this build/native/norvane-server
        done
    else
        measure this build/native/norvane-server
    fi
} | tee "$WORK/rows"
if [ -n "$COMPARE_DATABASES" ]; then
    echo "ratio postgresql/sqlite:"
    awk '$2 ~ /^(list|create|voucher)$/ { r[$1 " " $2] += $3 }
         END { for (k in r) if (k ~ /^postgresql /) { split(k, p, " ");
               if (r["sqlite " p[2]] > 0) printf "  %s %.2f\n", p[2], r[k] / r["sqlite " p[2]] } }' \
        "$WORK/rows"
elif [ -n "${NV_SERVER:-}" ]; then
    echo "ratio this/other:"
    awk '$2 ~ /^(list|create|voucher)$/ { r[$1 " " $2] += $3 }
         END { for (k in r) if (k ~ /^this /) { split(k, p, " ");
               if (r["other " p[2]] > 0) printf "  %s %.2f\n", p[2], r[k] / r["other " p[2]] } }' \
        "$WORK/rows"
fi
