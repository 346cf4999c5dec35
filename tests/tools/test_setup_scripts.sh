#!/usr/bin/env bash
# The set-up as a newcomer meets it: tools/install-deps.sh with apt-get,
# dpkg-query, id and sudo stood in for (quiet on the terminal, everything in
# its log, a clear word without root or sudo), tools/build.sh on a small
# cmake project (progress, warnings whole, the exit status kept), and
# `make run` without a display.
#   test_setup_scripts.sh SOURCE_DIR
set -euo pipefail
SRC=$(cd "$1" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; echo "--- output:" >&2; cat "$TMP/out" >&2; exit 1; }

# ---- install-deps -------------------------------------------------------------
# A PATH of its own: the few tools the script uses, and stand-ins.
BIN="$TMP/bin"
mkdir -p "$BIN"
for tool in bash grep dirname mkdir tail env cat seq; do ln -s "$(command -v "$tool")" "$BIN/$tool"; done
cat >"$BIN/dpkg-query" <<'STUB'
#!/bin/bash
exit 1
STUB
cat >"$BIN/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $*" >>"$CALLS"
for i in $(seq 1 400); do echo "Unpacking package-$i ..."; done
[ "$1" = install ] && exit "${APT_INSTALL_STATUS:-0}"
exit 0
STUB
cat >"$BIN/id" <<'STUB'
#!/bin/bash
echo "$UID_SHOWN"
STUB
chmod +x "$BIN"/dpkg-query "$BIN"/apt-get "$BIN"/id
export CALLS="$TMP/calls"
deps() {  # deps UID: runs install-deps with the stand-ins; its status in $rc
  : >"$CALLS"
  set +e
  UID_SHOWN=$1 ZK_DEPS_LOG="$TMP/deps.log" PATH="$BIN" "$BIN/bash" "$SRC/tools/install-deps.sh" >"$TMP/out" 2>&1
  rc=$?
  set -e
}

# Not root, no sudo: it says what is missing and how to install it, and
# calls nothing.
deps 1000
[ "$rc" -ne 0 ] || fail "no root and no sudo, yet status 0"
grep -q 'sudo is not installed' "$TMP/out" || fail "no word on sudo"
grep -q "su -c 'bash tools/install-deps.sh" "$TMP/out" || fail "no way out shown"
grep -q 'cmake' "$TMP/out" || fail "the missing packages are not named"
! grep -q 'command not found' "$TMP/out" || fail "the shell's own complaint"
[ ! -s "$CALLS" ] || fail "apt-get ran"

# Root: one line per step; apt's 800 lines in the log.
deps 0
[ "$rc" -eq 0 ] || fail "root install ended with $rc"
[ "$(wc -l <"$TMP/out")" -eq 3 ] || fail "more than three lines on the terminal"
grep -q '^install-deps: apt-get install: done in ' "$TMP/out" || fail "no summary of the install"
[ "$(grep -c 'Unpacking' "$TMP/deps.log")" -eq 800 ] || fail "apt's output is not in the log"
grep -q '^apt-get install -y --no-install-recommends .*qt6-base-dev' "$CALLS" || fail "apt-get install not called"

# A failing install: its status, and the end of the log to read.
APT_INSTALL_STATUS=100 deps 0
[ "$rc" -eq 100 ] || fail "a failed install ended with $rc"
grep -q 'apt-get install: failed (exit 100)' "$TMP/out" || fail "the failure is not said"
grep -q 'Unpacking package-400' "$TMP/out" || fail "the end of the log is not shown"
[ "$(wc -l <"$TMP/out")" -le 25 ] || fail "the whole log on the terminal"

# ---- build.sh -----------------------------------------------------------------
P="$TMP/project"
mkdir -p "$P"
{
  echo 'cmake_minimum_required(VERSION 3.25)'
  echo 'project(p CXX)'
  for i in $(seq 1 8); do
    echo "file(WRITE \${CMAKE_BINARY_DIR}/f$i.cpp \"int f$i() { return $i; }\\n\")"
    echo "add_library(l$i STATIC \${CMAKE_BINARY_DIR}/f$i.cpp)"
  done
  echo 'add_library(warns STATIC ${CMAKE_SOURCE_DIR}/warns.cpp)'
  echo 'target_compile_options(warns PRIVATE -Wall)'
} >"$P/CMakeLists.txt"
echo 'int g() { int unused_variable_here; return 0; }' >"$P/warns.cpp"
cmake -S "$P" -B "$P/build" >/dev/null
set +e
bash "$SRC/tools/build.sh" "$P/build" -j 2 >"$TMP/out" 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "build.sh ended with $rc"
grep -q "warning: unused variable .unused_variable_here" "$TMP/out" || fail "the warning is not shown"
grep -q '^build: done in ' "$TMP/out" || fail "no closing line"
[ "$(grep -c '^build: ' "$TMP/out")" -le 12 ] || fail "more than one progress line per tenth"
grep -q '^build: [0-9]*% after ' "$TMP/out" || fail "no progress shown"
! grep -q '^\[ *[0-9]*%\]' "$TMP/out" || fail "make's own progress lines shown"
grep -q 'Built target warns' "$P/build/build.log" || fail "the log is not complete"
# Up to date: the closing line only.
bash "$SRC/tools/build.sh" "$P/build" >"$TMP/out" 2>&1 || fail "an up-to-date build failed"
[ "$(wc -l <"$TMP/out")" -eq 1 ] || fail "an up-to-date build printed more than its closing line"
# A compile error: shown whole, and the status says so.
echo 'int g() { return missing_name; }' >"$P/warns.cpp"
set +e
bash "$SRC/tools/build.sh" "$P/build" >"$TMP/out" 2>&1
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "a failed build ended with status 0"
grep -q "error: .missing_name. was not declared" "$TMP/out" || fail "the error is not shown"
grep -q '^build: failed after ' "$TMP/out" || fail "no word on the failure"

# ---- make run without a display -------------------------------------------------
set +e
env -u DISPLAY -u WAYLAND_DISPLAY make -C "$SRC" --no-print-directory display >"$TMP/out" 2>&1
rc=$?
set -e
[ "$rc" -ne 0 ] || fail "make run went on without a display"
grep -q 'no display' "$TMP/out" || fail "no word on the display"
grep -q 'xvfb-run -a make run' "$TMP/out" || fail "no way to a display shown"

echo "set-up scripts: all checks passed"
