#!/usr/bin/env bash
# tools/run-tests.sh on two small ctest projects: one where a test fails
# (its output must be shown whole, with the summary, and the exit status
# must say so) and one where all pass (a few lines only).
#   test_run_tests.sh SOURCE_DIR
set -euo pipefail
SRC=$(cd "$1" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; echo "--- output:" >&2; cat "$TMP/out" >&2; exit 1; }

project() {  # project DIR FAILING(0|1)
  mkdir -p "$1"
  {
    echo 'cmake_minimum_required(VERSION 3.25)'
    echo 'project(suite NONE)'
    echo 'enable_testing()'
    for i in $(seq 1 40); do echo "add_test(NAME pass_$i COMMAND sh -c \"echo quiet $i\")"; done
    # a long name, which makes ctest pad every row to its width
    echo "add_test(NAME pass_with_a_name_as_long_as_a_parameterised_one_$(printf 'x%.0s' $(seq 1 60)) COMMAND true)"
    if [ "$2" = 1 ]; then
      echo 'add_test(NAME breaks COMMAND sh -c "echo first line of the failure; echo second line >&2; exit 3")'
    fi
  } >"$1/CMakeLists.txt"
  cmake -S "$1" -B "$1/build" >/dev/null
}

project "$TMP/failing" 1
set +e
bash "$SRC/tools/run-tests.sh" "$TMP/failing/build" -j 2 >"$TMP/out" 2>&1
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "a failing suite ended with status 0"
grep -q 'breaks .*Failed' "$TMP/out" || fail "the failing test's row is missing"
[ "$(grep 'breaks .*Failed' "$TMP/out" | wc -c)" -le 80 ] || fail "the failing test's row is padded"
grep -qx 'first line of the failure' "$TMP/out" || fail "the failure's output is missing"
grep -qx 'second line' "$TMP/out" || fail "the failure's error output is missing"
grep -q 'tests passed, 1 tests failed out of 42' "$TMP/out" || fail "the summary is missing"
grep -q -- '- breaks (Failed)' "$TMP/out" || fail "the list of failed tests is missing"
! grep -q 'Passed' "$TMP/out" || fail "rows of passed tests are shown"
! grep -q 'Start ' "$TMP/out" || fail "Start lines are shown"
! grep -q 'quiet' "$TMP/out" || fail "output of passing tests is shown"

project "$TMP/passing" 0
bash "$SRC/tools/run-tests.sh" "$TMP/passing/build" -j 2 >"$TMP/out" 2>&1 || fail "a passing suite failed"
grep -q '100% tests passed, 0 tests failed out of 41' "$TMP/out" || fail "the summary is missing"
lines=$(wc -l <"$TMP/out")
[ "$lines" -le 6 ] || fail "$lines lines for a passing suite"
echo "ok: $lines lines for 41 passing tests"
