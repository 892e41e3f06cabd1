#!/bin/bash
# Builds every configuration and runs every suite:
#   the layering and formatting checks, native unit tests, the server's tests (on SQLite and on
#   PostgreSQL), the unit tests again under ASan/UBSan (the clang build of the fuzz targets) and
#   as a Windows program under Wine, the Windows-side tests, the signed package, the end-to-end
#   scripts, and a bounded fuzz run from the committed seeds.
# Ends with one line "N passed, N failed" and exits non-zero when anything failed, also when the
# run left a file in the working tree. Windows run in a Wine prefix and on an Xvfb display of
# the tests' own: the run command's prefix and any real screen are left alone.
#
#   bash tools/test.sh              everything
#   FUZZ_SECONDS=5 bash tools/test.sh   shorter fuzz run
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
# Wine converts arguments and file names with the Unix locale's character set: without a UTF-8
# locale a Chinese argument reaches the program as question marks.
case "$(locale charmap 2>/dev/null)" in
    UTF-8) ;;
    *) unset LC_ALL; export LANG=C.UTF-8 LC_CTYPE=C.UTF-8 ;;
esac
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
RESULTS=build/results
mkdir -p "$RESULTS"

bash tools/setup.sh || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }
TREE_BEFORE=$(git status --porcelain 2>/dev/null)
export WINEPREFIX="$ROOT/build/test-wineprefix"
source tools/xvfb.sh --own  # windows under Wine need a display: one of the tests' own
# An Xvfb or a CUPS scheduler started here ends with the run.
trap '[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
      [ -n "${CUPSD_PID:-}" ] && kill "$CUPSD_PID" 2>/dev/null || true' EXIT

PASSED=0
FAILED=0
FAILURES=()

pass() { PASSED=$((PASSED + $1)); }
fail() { FAILED=$((FAILED + $1)); FAILURES+=("$2"); }

build() {  # preset [cache options]
    echo "== build $1"
    if cmake --preset "$1" "${@:2}" >"$RESULTS/configure-$1.log" 2>&1 &&
        cmake --build --preset "$1" >"$RESULTS/build-$1.log" 2>&1; then
        return 0
    fi
    tail -30 "$RESULTS/configure-$1.log" "$RESULTS/build-$1.log"
    fail 1 "build $1"
    return 1
}

# Counts the tests of a GoogleTest JSON report; a missing report (crash) is one failure.
gtest_counts() {  # suite report exit-code
    local counts
    counts=$(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))
print(r["tests"] - r.get("disabled", 0), r["failures"] + r.get("errors", 0))' "$2" 2>/dev/null)
    if [ -z "$counts" ]; then
        fail 1 "$1 (no report, exit $3)"
        return
    fi
    set -- "$1" $counts "$3"
    pass $(($2 - $3))
    if [ "$3" -gt 0 ] || [ "$4" -ne 0 ]; then
        fail $(($3 > 0 ? $3 : 1)) "$1"
    fi
    echo "   $1: $(($2 - $3)) passed, $3 failed"
}

run_gtest() {  # suite binary
    local report="$ROOT/$RESULTS/$1.json"
    rm -f "$report"
    echo "== $1"
    "$2" --gtest_output="json:$report" >"$RESULTS/$1.log" 2>&1
    local rc=$?
    [ $rc -eq 0 ] || tail -40 "$RESULTS/$1.log"
    gtest_counts "$1" "$report" $rc
}

run_wine_gtest() {  # suite exe (relative to build/windows)
    local report="$RESULTS/$1.json"
    rm -f "$report"
    echo "== $1 (Wine)"
    # LANG=C: Wine's ANSI code page becomes 1252, as on a Windows that is not set to Chinese.
    (cd build/windows && LANG=C "$ROOT/tools/wine.sh" "$2" --gtest_output="json:$1.json") \
        >"$RESULTS/$1.log" 2>&1
    local rc=$?
    mv -f "build/windows/$1.json" "$report" 2>/dev/null
    [ $rc -eq 0 ] || tail -40 "$RESULTS/$1.log"
    gtest_counts "$1" "$report" $rc
}

# The layering and the formatting of the tree: cheap, and a finding is a failure.
for check in "layers:python3 tools/check_layers.py" "format:bash tools/check_format.sh"; do
    name=${check%%:*}
    echo "== $name"
    if ${check#*:} >"$RESULTS/$name.log" 2>&1; then
        pass 1
    else
        tail -30 "$RESULTS/$name.log"
        fail 1 "$name"
    fi
done

if build native -DNORVANE_BENCH=OFF; then
    run_gtest unit-native build/native/norvane_tests
    # Debian's Python, which has h11 (the python3 first on the PATH may be another).
    # Both storages: SQLite files, then a throwaway PostgreSQL cluster under build/pg/.
    for run in server http server:--postgres http:--postgres; do
        suite=${run%%:*} storage=${run#*:}
        [ "$storage" = "$run" ] && storage=""
        name=$suite${storage:+-postgres}
        echo "== $name"
        /usr/bin/python3 "tests/server/test_$suite.py" build/native/norvane-server $storage \
            --report "$ROOT/$RESULTS/$name.json" >"$RESULTS/$name.log" 2>&1
        rc=$?
        [ $rc -eq 0 ] || tail -40 "$RESULTS/$name.log"
        gtest_counts "$name" "$RESULTS/$name.json" $rc
    done
fi
if build windows; then
    source tools/printer.sh  # the CUPS-PDF test printer, in CUPS and in the Wine prefix
    run_wine_gtest unit-wine norvane_tests.exe
    run_wine_gtest windows-wine norvane_win_tests.exe

    # The signed package of this build; the updater's end-to-end test publishes it.
    echo "== package"
    if bash tests/package/package_test.sh >"$RESULTS/package.log" 2>&1; then
        pass 1
    else
        tail -30 "$RESULTS/package.log"
        fail 1 "package"
    fi

    for t in tests/e2e/*.sh; do
        name=e2e-$(basename "$t" .sh)
        echo "== $name"
        if timeout 900 bash "$t" >"$RESULTS/$name.log" 2>&1; then
            pass 1
        else
            tail -30 "$RESULTS/$name.log"
            fail 1 "$name"
        fi
    done
    tools/wine.sh --stop >/dev/null 2>&1 || true
fi

if build fuzz; then
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_gtest unit-sanitizers build/fuzz/norvane_tests
    for target in json_fuzz amount_fuzz payload_fuzz http_fuzz; do
        echo "== fuzz $target (${FUZZ_SECONDS}s)"
        corpus=build/fuzz/corpus-$target
        mkdir -p "$corpus"
        dict=()
        [ -f "fuzz/$target.dict" ] && dict=(-dict="$ROOT/fuzz/$target.dict")
        # The committed seeds are replayed first; what the run finds goes to the build folder.
        if (cd build/fuzz && ./$target -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 \
                "${dict[@]}" "corpus-$target" "$ROOT/fuzz/corpus/$target" \
                >"../../$RESULTS/fuzz-$target.log" 2>&1); then
            pass 1
        else
            tail -30 "$RESULTS/fuzz-$target.log"
            fail 1 "fuzz $target"
        fi
    done
fi

# A test writes only under build/ or a temporary folder.
LEFT=$(diff <(echo "$TREE_BEFORE") <(git status --porcelain 2>/dev/null) | sed -n 's/^> //p')
if [ -n "$LEFT" ]; then
    echo "the run changed the working tree:"
    echo "$LEFT"
    fail 1 "working tree"
fi

if [ ${#FAILURES[@]} -gt 0 ]; then
    echo "failed: ${FAILURES[*]}"
fi
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
