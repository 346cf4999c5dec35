#!/usr/bin/env bash
# Builds a configured tree and shows its progress without flooding the
# terminal: warnings and errors whole, as they come; the percentage on one
# line that rewrites itself on a terminal, or one line per tenth elsewhere
# (a CI log; a tree that is up to date, where make only checks its targets and
# the Qt code generators, prints none). Everything cmake prints is kept in BUILD_DIR/build.log.
#   tools/build.sh BUILD_DIR [cmake --build options]
set -uo pipefail
build=${1:?usage: build.sh BUILD_DIR [cmake --build options]}
shift
log="$build/build.log"
: >"$log"
tty=0
[ -t 1 ] && tty=1

elapsed() { printf '%d min %d s' $((SECONDS / 60)) $((SECONDS % 60)); }

shown=-1   # the last tenth printed (off a terminal)
on_line=0  # a progress line is standing on the terminal
rc=1
while IFS= read -r line; do
  if [[ $line =~ ^__build_exit\ ([0-9]+)$ ]]; then
    rc=${BASH_REMATCH[1]}
    continue
  fi
  printf '%s\n' "$line" >>"$log"
  if [[ $line =~ ^\[\ *([0-9]+)%\]\ (.*)$ ]]; then
    pct=${BASH_REMATCH[1]}
    if [ "$tty" = 1 ]; then
      what=${BASH_REMATCH[2]}
      printf '\r\033[Kbuild: %3d%%, %s: %.60s' "$pct" "$(elapsed)" "$what"
      on_line=1
    elif [ $((pct / 10)) -gt "$shown" ] && [[ ! $line =~ \]\ (Built\ target|Automatic\ MOC) ]]; then
      shown=$((pct / 10))
      echo "build: $pct% after $(elapsed)"
    fi
    continue
  fi
  # make's bookkeeping on a rebuild says nothing worth reading.
  [[ $line =~ ^Consolidate\ compiler\ generated\ dependencies ]] && continue
  if [ "$on_line" = 1 ]; then
    printf '\r\033[K'
    on_line=0
  fi
  printf '%s\n' "$line"
done < <(cmake --build "$build" "$@" 2>&1; echo "__build_exit $?")

[ "$on_line" = 1 ] && printf '\r\033[K'
if [ "$rc" = 0 ]; then
  echo "build: done in $(elapsed) (the whole output: $log)"
else
  echo "build: failed after $(elapsed) (the whole output: $log)" >&2
fi
exit "$rc"
