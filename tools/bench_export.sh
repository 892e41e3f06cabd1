#!/bin/bash
# Time and peak memory of the A4 PDF export under Wine, for a 3-page and a 40-page note, with
# nvdoc.exe of the Windows build (the same code as the client's export command). Needs the
# windows build.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
tools/wine.sh cmd /c exit 0 >/dev/null 2>&1 || true
for items in 100 1787; do
    python3 - "$WORK/note-$items.json" "$items" <<'PY'
import json, sys
path, n = sys.argv[1], int(sys.argv[2])
json.dump({'id': 1, 'no': 'SHD-BENCH', 'customer': '基准客户', 'project': '项目', 'contact': '王',
           'contactPhone': '138', 'address': '地址', 'remark': '', 'date': '2026-12-06',
           'status': '待送达',
           'items': [{'product': 'LED灯带%d' % i, 'model': 'NV-%d' % i, 'length': '5m',
                      'wattage': '12W', 'brightness': '单亮', 'sensorMode': '无', 'quantity': 2,
                      'unit': '卷', 'price': 10.5} for i in range(n)]},
          open(path, 'w', encoding='utf-8'), ensure_ascii=False)
PY
    for run in 1 2 3; do
        /usr/bin/time -f "%e s, peak %M KB" -o "$WORK/time" \
            tools/wine.sh build/windows/nvdoc.exe pdf "$WORK/note-$items.json" 澄岚映辉 "$WORK/out.pdf"
        pages=$(pdfinfo "$WORK/out.pdf" | awk '/^Pages:/ {print $2}')
        echo "$items items, $pages pages, $(stat -c %s "$WORK/out.pdf") bytes: $(cat "$WORK/time")"
    done
done
