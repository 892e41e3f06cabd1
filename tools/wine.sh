#!/bin/bash
# Runs a Windows program under Wine in the hermetic prefix of the build folder:
#   tools/wine.sh build/windows/norvane.exe --finance-selftest
# The prefix (build/wineprefix, or $WINEPREFIX) is created on first use, with the CJK font
# replacements that make Chinese text render. The program's exit code is passed through.
#   tools/wine.sh --stop | --wait | --persist    end, wait for, or keep the prefix's wineserver
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko install prompts: the program needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

if [ ! -f "$WINEPREFIX/.norvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    # Chinese UI and print fonts map to WenQuanYi Zen Hei Sharp (fonts-wqy-zenhei). regedit wants a
    # UTF-16 file for the Chinese key name 宋体.
    reg=$(mktemp --suffix=.reg)
    python3 - "$reg" <<'PY'
import sys
lines = ['Windows Registry Editor Version 5.00', '',
         r'[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]']
for face in ['宋体', 'SimSun', 'NSimSun', '新宋体', 'Microsoft YaHei', 'Microsoft YaHei UI',
             '微软雅黑', 'SimHei', '黑体']:
    # The Sharp face carries hand-tuned bitmaps for small sizes; the plain face loses thin
    # strokes such as the hyphen at 9 point and 96 DPI. Large sizes use the outlines.
    lines.append('"%s"="WenQuanYi Zen Hei Sharp"' % face)
# No window manager runs under Xvfb: Wine draws the captions and frames itself.
lines += ['', r'[HKEY_CURRENT_USER\Software\Wine\X11 Driver]', '"Managed"="N"', '"Decorated"="Y"']
open(sys.argv[1], 'wb').write('\r\n'.join(lines + ['', '']).encode('utf-16'))
PY
    "$WINE" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
    "$WINESERVER" -w
    rm -f "$reg"
    touch "$WINEPREFIX/.norvane-ready"
fi

case "${1:-}" in
    --stop) exec "$WINESERVER" -k ;;
    --wait) exec "$WINESERVER" -w ;;
    # The wineserver stays until --stop: a program started just as the last one ended would
    # otherwise race the server's own exit and can fail to start at all.
    --persist) exec "$WINESERVER" -p ;;
esac
exec "$WINE" "$@"
