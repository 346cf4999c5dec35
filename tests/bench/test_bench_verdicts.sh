#!/usr/bin/env bash
# Every benchmark that names a target says whether this run met it: short
# runs of the start-up and memo benchmarks (headless), and each line that
# states a target must end in "met)" or "not met)".
#   test_bench_verdicts.sh BENCH_STARTUP BENCH_MEMO BENCH_CASE_READER BENCH_OPEN BENCH_CASE_FILE BENCH_CASE_CHECK [BENCH_PYTHON]
set -euo pipefail
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$TMP/out" >&2; exit 1; }

check() {  # check NAME COMMAND...
  local name=$1
  shift
  QT_QPA_PLATFORM=offscreen "$@" >"$TMP/out" 2>&1 || fail "$name ended with $?"
  cat "$TMP/out"
  local targets
  targets=$(grep -c 'target' "$TMP/out" || true)
  [ "$targets" -ge 1 ] || fail "$name states no target"
  if grep 'target' "$TMP/out" | grep -v -E '\(target [^)]*: (met|not met)\)$'; then
    fail "$name states a target without saying whether it was met"
  fi
}

cd "$TMP"
check bench_startup "$1" 1
check bench_memo "$2" 50
check bench_case_reader "$3" --intervals=2000
check bench_open "$4" 2000 1
check bench_case_file "$5" --intervals=2000
check bench_case_check "$6" --intervals=2000
if [ -n "${7:-}" ]; then check bench_python "$7" --intervals=2000 --turns=1; fi
