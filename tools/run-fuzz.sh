#!/usr/bin/env bash
# make fuzz SECONDS=n: builds the libFuzzer targets with clang and runs each
# for n seconds, starting from the committed seed corpus.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-30}
cmake -S fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
status=0
for name in parse_integer parse_real format_real case_file case_reader table_paste; do
  work="$BUILD/corpus/$name"
  mkdir -p "$work"
  echo "== fuzz_$name for ${SECONDS_EACH}s"
  if ! "$BUILD/fuzz_$name" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -max_len=4096 -artifact_prefix="$BUILD/" \
      "$work" "fuzz/corpus/$name" 2> "$BUILD/fuzz_$name.log"; then
    status=1
    tail -40 "$BUILD/fuzz_$name.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$BUILD/fuzz_$name.log" || true
  echo "corpus: $(ls "$work" | wc -l) units in $work"
done
exit $status
