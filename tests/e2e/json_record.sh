#!/bin/bash
# What the client's JSON parser accepts and refuses, and the tree it builds, for the inputs in
# tests/fixtures/json/ (the edge cases of the JSON rules, JSONTestSuite, a sample of the fuzz
# corpus): `nvdoc json` over each must give exactly what record.tsv holds.
#   bash tests/e2e/json_record.sh [--write] [NVDOC]   --write records anew
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
WRITE=0
if [ "${1:-}" = --write ]; then WRITE=1; shift; fi
NVDOC=${1:-$ROOT/build/native/nvdoc}
cd "$ROOT/tests/fixtures/json"
OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT
for f in $(find edge suite fuzz -type f | LC_ALL=C sort); do
    if tree=$("$NVDOC" json "$f" 2>/dev/null); then
        printf '%s\t%s\n' "$f" "$tree"
    else
        printf '%s\trefused\n' "$f"
    fi
done >"$OUT"
if [ "$WRITE" = 1 ]; then
    cp "$OUT" record.tsv
    echo "recorded $(wc -l <record.tsv) inputs"
    exit 0
fi
if ! diff -q record.tsv "$OUT" >/dev/null; then
    diff record.tsv "$OUT" | head -20 | cut -c1-300
    echo "json record: the parser reads some input differently"
    exit 1
fi
echo "json record: $(wc -l <record.tsv) inputs read as recorded"
