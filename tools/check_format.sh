#!/bin/bash
# Fails when any C++ source of the tree differs from what .clang-format makes of it.
#   bash tools/check_format.sh          report the files and the first findings
#   bash tools/check_format.sh --fix    reformat them in place
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
CLANG_FORMAT=${CLANG_FORMAT:-$(command -v clang-format || command -v clang-format-14)}
if [ -z "$CLANG_FORMAT" ]; then
    echo "clang-format not found"
    exit 1
fi
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ "${1:-}" = "--fix" ]; then
    "$CLANG_FORMAT" -i "${files[@]}"
    exit 0
fi
out=$("$CLANG_FORMAT" --dry-run -Werror "${files[@]}" 2>&1)
rc=$?
if [ $rc -ne 0 ]; then
    echo "$out" | grep -E '^[^ ].*: (error|warning):' | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    echo "$out" | head -20
    echo "run: bash tools/check_format.sh --fix"
fi
exit $rc
