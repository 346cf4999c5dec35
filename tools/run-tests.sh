#!/usr/bin/env bash
# Runs the suite of a build tree and prints what needs reading: every failing
# test with its whole output, and ctest's summary. The rows of tests that
# passed and ctest's "Start" lines are left out, and the dots that pad the
# other rows are cut short (ctest keeps the complete record in
# BUILD_DIR/Testing/Temporary/LastTest.log). The exit status is ctest's.
#   tools/run-tests.sh BUILD_DIR [ctest options]
set -uo pipefail
build=${1:?usage: run-tests.sh BUILD_DIR [ctest options]}
shift
ctest --test-dir "$build" --output-on-failure "$@" 2>&1 | awk '
  /^Internal ctest changing into directory/ { next }
  /^ *Start +[0-9]+: / { next }
  /^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: .* Passed +[0-9.]+ sec$/ { next }
  /^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: / { gsub(/ \.\.\.+/, " ...") }
  { print; fflush() }'
exit "${PIPESTATUS[0]}"
