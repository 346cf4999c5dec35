#!/usr/bin/env bash
# Runs every benchmark executable (bench_*) of a build tree, one after the
# other. Usage: tools/run-bench.sh BUILD_DIR [extra flags for each benchmark]
# Without a display, the benchmarks run under xvfb-run when it is there
# (the GUI ones need one; the others do not mind).
set -euo pipefail
build=${1:?usage: run-bench.sh BUILD_DIR [flags]}
shift
mapfile -t benches < <(find "$build/bench" -maxdepth 1 -type f -name 'bench_*' -perm -u+x | sort)
if [ ${#benches[@]} -eq 0 ]; then
  echo "run-bench: no bench_* executables in $build/bench" >&2
  exit 1
fi
wrap=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  wrap=(xvfb-run -a)
fi
status=0
for b in "${benches[@]}"; do
  echo "== $(basename "$b")"
  "${wrap[@]}" "$b" "$@" || { echo "run-bench: $(basename "$b") failed" >&2; status=1; }
done
exit $status
