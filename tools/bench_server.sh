#!/bin/bash
# Load test of norvane-server with wrk on loopback: the list call of a user with 1,000 notes of 3
# items, the create call, and voucher save. Prints requests/s and latency percentiles.
#   bash tools/bench_server.sh [SECONDS]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${1:-10}
SERVER=${NV_SERVER:-build/native/norvane-server}  # another build to compare side by side
command -v wrk >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -q wrk >/dev/null; }
cmake --preset native >/dev/null && cmake --build --preset native >/dev/null
DATA=$(mktemp -d)
trap 'kill $PID 2>/dev/null; rm -rf "$DATA"' EXIT
"$SERVER" serve --data "$DATA" --listen 127.0.0.1:0 --demo --max-notes 100000000 >"$DATA/out" 2>/dev/null &
PID=$!
until grep -q listening "$DATA/out" 2>/dev/null; do sleep 0.2; done
BASE=$(grep -o 'http://[0-9.:]*' "$DATA/out")
USER_ID=$(echo bench1000 | "$SERVER" user add --data "$DATA" --account bench \
    --type personal --company 压测 2>/dev/null || true)
# The server holds the database open; adding a user through the CLI at the same time is fine
# with SQLite's WAL. Fill the user with 1,000 notes of 3 items through the API.
export NV_USER=$USER_ID
python3 - "$BASE" "$USER_ID" "$ROOT/bench/server/create.lua" <<'PY'
import concurrent.futures, re, sys, urllib.request
base, user, lua = sys.argv[1], sys.argv[2], sys.argv[3]
body = re.search(r"wrk.body = (.*?)\nEOF|wrk.body = ([\s\S]*)", open(lua, encoding='utf-8').read())
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
TOKEN=$(curl -s -X POST "$BASE/api/v1/native/login" \
    -d '{"account":"demo","password":"demo123","userType":"enterprise"}' |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["data"]["token"])')
export NV_TOKEN=$TOKEN
echo "list of 1000 notes (user $USER_ID):"
wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency "$BASE/api/delivery-notes?userId=$USER_ID" |
    grep -E 'Requests/sec|  99%|  50%|Transfer'
echo "create:"
wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency -s bench/server/create.lua "$BASE/api/delivery-notes" |
    grep -E 'Requests/sec|  99%|  50%|Non-2xx'
echo "voucher save:"
wrk -t2 -c8 -d"${SECONDS_EACH}s" --latency -s bench/server/voucher.lua \
    "$BASE/api/v1/native/tenants/1/vouchers" | grep -E 'Requests/sec|  99%|  50%|Non-2xx'
