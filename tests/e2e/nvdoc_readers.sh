#!/bin/bash
# The document writers against real readers: qpdf, pdfinfo and pdftoppm for the PDF, unzip and
# Python's zipfile for the zip, LibreOffice for the DOCX and the XLSX, openpyxl for the XLSX;
# and the Windows nvdoc.exe under Wine
# writing the very same bytes as the native nvdoc.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="$ROOT/build/test-wineprefix"  # the tests' own, never the run command's
NVDOC="$ROOT/build/native/nvdoc"
WINE_SH="$ROOT/tools/wine.sh"
EXE="$ROOT/build/windows/nvdoc.exe"
WORK="$ROOT/build/e2e/nvdoc"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

# --- the usage names every command -------------------------------------------------------
usage=$("$NVDOC" 2>&1 || true)
for cmd in payload job docx pdf rle pdf-raw zip json xlsx statement; do
    grep -q "| $cmd \|usage: nvdoc $cmd " <<<"$usage" || fail "usage does not name $cmd: $usage"
done

cp "$ROOT/tests/fixtures/note.json" note.json
python3 "$ROOT/tests/fixtures/make_pages.py" .

# --- PDF: valid, A4, two pages, and rendered back to the very pixels that went in -----------
"$NVDOC" pdf-raw out.pdf page1.raw page2.raw
qpdf --check out.pdf >/dev/null || fail "qpdf rejects the PDF"
pdfinfo out.pdf | grep -q '^Pages: *2$' || fail "page count"
pdfinfo out.pdf | grep -q 'Page size: *595.276 x 841.89 pts (A4)' || fail "page size"
pdftoppm -r 144 out.pdf back
python3 - <<'PY' || fail "rendered pixels differ"
import sys
for n, raw in ((1, 'page1.raw'), (2, 'page2.raw')):
    data = open(f'back-{n}.ppm', 'rb').read()
    header = b'P6\n1191 1684\n255\n'
    assert data.startswith(header), data[:20]
    if data[len(header):] != open(raw, 'rb').read():
        sys.exit(f'page {n} differs')
PY
# A blank page is 94017 bytes of run-length data.
head -c 6016932 /dev/zero | tr '\0' '\377' >white.raw
"$NVDOC" rle white.raw white.rle
[ "$(stat -c %s white.rle)" = 94017 ] || fail "blank page encodes to $(stat -c %s white.rle) bytes"
if "$NVDOC" pdf-raw bad.pdf white.rle 2>err.txt; then fail "accepted a page of the wrong size"; fi
grep -q "1191 x 1684 x 3" err.txt || fail "no clear error for a wrong page size"
[ ! -e bad.pdf ] || fail "wrote a PDF for bad input"
# An endless input is refused with a message, not read until memory runs out.
rc=0
"$NVDOC" rle /dev/zero zero.rle 2>err.txt || rc=$?
[ $rc = 1 ] && grep -q "input larger than 256 MiB" err.txt || fail "nvdoc rle /dev/zero: $(cat err.txt)"

# --- zip: readers accept it, entries in order, dated 1980-01-01 00:00 -----------------------
printf 'abc' >a.txt
: >empty.txt
printf '送货单\n' >c.txt
"$NVDOC" zip out.zip "first.txt=a.txt" "dir/empty.txt=empty.txt" "z/last.txt=c.txt"
unzip -t out.zip >/dev/null || fail "unzip -t rejects the zip"
python3 - <<'PY' || fail "zipfile disagrees"
import zipfile
z = zipfile.ZipFile('out.zip')
assert z.testzip() is None
infos = z.infolist()
assert [i.filename for i in infos] == ['first.txt', 'dir/empty.txt', 'z/last.txt'], infos
assert all(i.date_time == (1980, 1, 1, 0, 0, 0) for i in infos)
assert all(i.compress_type == zipfile.ZIP_STORED for i in infos)
assert z.read('first.txt') == b'abc' and z.read('z/last.txt') == '送货单\n'.encode()
PY
"$NVDOC" zip empty.zip
[ "$(stat -c %s empty.zip)" = 22 ] || fail "empty zip is not 22 bytes"

# --- payload and job -----------------------------------------------------------------------
"$NVDOC" payload note.json "澄岚映辉照明" note.payload
"$NVDOC" job note.payload >job.json
python3 - <<'PY' || fail "job JSON"
import json
j = json.load(open('job.json', encoding='utf-8'))
assert j['company'] == '澄岚映辉照明' and j['no'] == 'SHD20261206101500', j
assert j['date'] == '2026-12-06' and j['contact'] == '王先生  13800138000', j
assert j['remark'] == '请上午送达  卸货需叉车', j['remark']   # CR and LF each became one space
assert j['customer'] == 'A&B <灯饰> "旗舰"店'
assert [i['quantity'] for i in j['items']] == [2, 12] and [i['price'] for i in j['items']] == [3.5, 35]
assert j['items'][0]['sensorMode'] == '雷达感应' and j['items'][1]['unit'] == '个'
assert j['total'] == 427 and j['copies'] == 0
PY

# --- DOCX: LibreOffice makes a one-page A4 PDF holding every field and cell ---------------
"$NVDOC" docx note.json "澄岚映辉照明" note.docx
unzip -t note.docx >/dev/null || fail "unzip -t rejects the DOCX"
HOME="$WORK" timeout 120 soffice --headless --norestore --convert-to pdf --outdir "$WORK" note.docx \
    >soffice.log 2>&1 || { cat soffice.log; fail "LibreOffice conversion"; }
pdfinfo note.pdf | grep -q '^Pages: *1$' || fail "DOCX is not one page"
pdfinfo note.pdf | grep -q 'Page size: *595.* x 841.* pts (A4)' || fail "DOCX page is not A4"
pdftotext note.pdf - | tr -d ' ' >note.txt
for text in 澄岚映辉照明 送货单 单号：SHD20261206101500 日期：2026-12-06 '客户：A&B<灯饰>"旗舰"店' \
    项目：万科城市花园 联系人：王先生13800138000 地址：深圳市南山区科技园 \
    LED灯带 NV-2835 5m 12W 单亮 雷达感应 卷 3.50 7.00 LED筒灯 TD-7W 7W 双亮 个 35.00 420.00 \
    合计：¥427.00 备注：请上午送达 卸货需叉车 收货人 送货日期：____年____月____日; do
    grep -qF -- "$text" note.txt || fail "DOCX text lacks $text"
done

# --- XLSX: openpyxl sees numbers, money and dates as such; LibreOffice Calc the same values ----
python3 -c "import json; n = json.load(open('note.json')); print(json.dumps(
    {'success': True, 'data': [n, dict(n, id=58, no='SHD2', items=[])]}))" >notes.json
"$NVDOC" xlsx notes.json notes.xlsx
/usr/bin/python3 - <<'PY' || fail "openpyxl reads the workbook otherwise"
import datetime, openpyxl
wb = openpyxl.load_workbook('notes.xlsx')
assert wb.sheetnames == ['明细', '送货单'], wb.sheetnames
lines, notes = wb['明细'], wb['送货单']
assert lines.freeze_panes == 'A2' and lines.auto_filter.ref == 'A1:O3', lines.auto_filter.ref
assert lines['A1'].font.b and lines['O1'].value == '金额'
row = [c.value for c in lines[2]]
assert row[:3] == ['SHD20261206101500', datetime.datetime(2026, 12, 6), 'A&B <灯饰> "旗舰"店'], row
assert row[11:] == [2, '卷', 3.5, 7] and lines['N2'].number_format == '0.00', row
assert [c.value for c in notes['A']] == ['送货单号', 'SHD20261206101500', 'SHD2']
assert notes['J2'].value == 427 and notes['J3'].value == 0 and notes['I3'].value == 0
PY
HOME="$WORK" timeout 120 soffice --headless --norestore \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true' \
    --outdir "$WORK" notes.xlsx >soffice-calc.log 2>&1 || { cat soffice-calc.log; fail "Calc"; }
grep -q '^SHD20261206101500,2026-12-06,"A&B <灯饰> ""旗舰""店",万科城市花园,待送达,LED灯带,NV-2835,5m,12W,单亮,雷达感应,2,卷,3.50,7.00$' \
    notes.csv || fail "Calc reads other values: $(head -3 notes.csv)"
echo '{"success":true,"data":{}}' >bad.json
if "$NVDOC" xlsx bad.json bad.xlsx 2>err.txt || [ -e bad.xlsx ]; then fail "a non-list was written"; fi

# --- the statement of account: valid A4 pages that read back by OCR ------------------------
# Twelve notes of one customer in the period (two more outside it, one of another customer).
python3 - >statement-notes.json <<'PY'
import json
n = json.load(open('note.json'))
n['customer'] = '广州天河灯饰批发中心'
notes = [dict(n, id=100 + i, no='SHDST%02d' % i, date='2026-11-%02d' % (i + 1),
              items=[dict(n['items'][k % 2], quantity=i + k + 1) for k in range(4)])
         for i in range(12)]
notes += [dict(n, id=200, no='SHDOUT1', date='2026-10-31'), dict(n, id=201, no='SHDOUT2',
          date='2026-12-01'), dict(n, id=202, no='SHDOTHER', customer='别家', date='2026-11-05')]
print(json.dumps({'success': True, 'data': notes}, ensure_ascii=False))
PY
"$WINE_SH" "$EXE" statement statement-notes.json 广州天河灯饰批发中心 2026-11-01 2026-11-30 \
    澄岚映辉照明 statement.pdf || fail "nvdoc.exe statement"
qpdf --check statement.pdf >/dev/null || fail "the statement does not pass qpdf --check"
pages=$(pdfinfo statement.pdf | sed -n 's/^Pages: *//p')
[ "$pages" -ge 2 ] || fail "a statement of 12 notes on $pages page(s)"
pdfimages -png statement.pdf st
for f in st-*.png; do convert "$f" -resize 200% "$f"; tesseract "$f" - -l chi_sim 2>/dev/null; done |
    tr -d ' ' >statement.txt
# The page numbers at the foot, read on their own (the whole page's reading passes them over).
for f in st-*.png; do
    convert "$f" -crop 2382x100+0+3240 +repage foot.png
    tesseract foot.png - -l chi_sim --psm 7 2>/dev/null
done | tr -d ' ' >statement-feet.txt
python3 - "$pages" <<'PY' || fail "the statement reads back otherwise by OCR"
import json, sys
# OCR reads a 0 beside letters as O at times: compare with both as 0.
text = open('statement.txt', encoding='utf-8').read().replace('O', '0')
feet = open('statement-feet.txt', encoding='utf-8').read()
notes = [n for n in json.load(open('statement-notes.json'))['data'] if n['no'].startswith('SHDST')]
def cents(n): return sum(round(float(i['quantity']) * float(i['price']) * 100) for i in n['items'])
def money(c): return '{:,.2f}'.format(c / 100)
missing = [n['no'] for n in notes if n['no'].replace('O', '0') not in text]
missing += [money(cents(n)) for n in notes if '小计' + money(cents(n)) not in text]
total = money(sum(cents(n) for n in notes))
missing += [x for x in ('对账单', '供货单位') if x not in text]
if not [line for line in text.splitlines() if line.startswith('合计') and line.endswith(total)]:
    missing.append('合计 ' + total)
missing += ['第%d页/共%s页' % (p, sys.argv[1]) for p in range(1, int(sys.argv[1]) + 1)
            if '第%d页/共%s页' % (p, sys.argv[1]) not in feet]
assert not missing and 'SHD0UT' not in text and 'SHD0THER' not in text, missing
PY
"$NVDOC" statement statement-notes.json 广州天河灯饰批发中心 2026-11-01 2026-11-30 x statement.xlsx
/usr/bin/python3 - <<'PY' || fail "the statement workbook"
import json, openpyxl
notes = [n for n in json.load(open('statement-notes.json'))['data'] if n['no'].startswith('SHDST')]
heads = [[c.value for c in row] for row in openpyxl.load_workbook('statement.xlsx')['送货单'].iter_rows()]
assert [r[0] for r in heads[1:-1]] == [n['no'] for n in notes], heads
total = sum(round(float(i['quantity']) * float(i['price']) * 100) for n in notes for i in n['items']) / 100
assert heads[-1][0] == '合计' and abs(heads[-1][-1] - total) < 0.001, heads[-1]
PY
rc=0
"$WINE_SH" "$EXE" statement statement-notes.json 别家 2026-11-06 2026-11-30 x empty.pdf \
    2>err.txt || rc=$?
[ $rc = 1 ] && [ ! -e empty.pdf ] && grep -q "no delivery note" err.txt || fail "empty statement"
rc=0
"$WINE_SH" "$EXE" statement statement-notes.json 别家 2026-11-30 2026-11-01 x back.pdf \
    2>err.txt || rc=$?
[ $rc = 1 ] && [ ! -e back.pdf ] && grep -q "结束日期早于开始日期" err.txt || fail "end before start"

# --- the Windows build writes the same bytes --------------------------------------------
WINE="$ROOT/tools/wine.sh"
EXE="$ROOT/build/windows/nvdoc.exe"
"$WINE" "$EXE" payload note.json "澄岚映辉照明" win.payload
"$WINE" "$EXE" docx note.json "澄岚映辉照明" win.docx
"$WINE" "$EXE" rle page1.raw win.rle
"$WINE" "$EXE" pdf-raw win.pdf page1.raw page2.raw
"$WINE" "$EXE" zip win.zip "first.txt=a.txt" "dir/empty.txt=empty.txt" "z/last.txt=c.txt"
"$WINE" "$EXE" job note.payload >win-job.json
"$NVDOC" rle page1.raw page1.rle
cmp note.payload win.payload || fail "payload differs under Windows"
cmp note.docx win.docx || fail "DOCX differs under Windows"
cmp page1.rle win.rle || fail "run-length encoding differs under Windows"
cmp out.pdf win.pdf || fail "PDF differs under Windows"
cmp out.zip win.zip || fail "zip differs under Windows"
cmp job.json win-job.json || fail "job JSON differs under Windows"
"$WINE" "$EXE" xlsx notes.json win.xlsx
cmp notes.xlsx win.xlsx || fail "XLSX differs under Windows"
if "$WINE" "$EXE" docx missing.json x y.docx 2>err.txt; then fail "nvdoc.exe accepted a missing file"; fi
grep -q "cannot open missing.json" err.txt || fail "no clear error for a missing file"

# --- the A4 PDF export, in batches from the Windows build ------------------------------------
"$WINE" "$EXE" pdf note.json "澄岚映辉照明" a4.pdf || fail "nvdoc.exe pdf"
qpdf --check a4.pdf >/dev/null || fail "A4 PDF does not pass qpdf --check"
pdfinfo a4.pdf | grep -q "Page size:.*(A4)" || fail "A4 PDF pages are not A4"
rc=0
"$NVDOC" pdf note.json x native.pdf 2>err.txt || rc=$?
[ $rc = 1 ] && grep -q "Windows build" err.txt || fail "native nvdoc pdf: $(cat err.txt)"
echo ok
