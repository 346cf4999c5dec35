#!/usr/bin/env bash
# The layers, as the build keeps them: a source of a layer is compiled with
# that layer's include folders, and an include of another layer (or of Qt)
# fails to compile. Each row compiles one include with the real include
# folders of the layer's target: "ok" rows must compile, "no" rows must fail
# because the header is not found. Then every #include of the layers'
# sources is checked: no way around the folders with "../".
#   check_layers.sh COMPILER SOURCE_DIR case=DIR:DIR... cli=... python=...
set -uo pipefail
compiler=$1 source_dir=$2
shift 2
declare -A dirs
for arg in "$@"; do dirs[${arg%%=*}]=${arg#*=}; done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

probe() {  # probe LAYER ok|no INCLUDE
  local layer=$1 expect=$2 include=$3 flags=()
  IFS=: read -r -a list <<<"${dirs[$layer]}"
  for d in "${list[@]}"; do [ -n "$d" ] && flags+=("-I$d"); done
  printf '#include %s\n' "$include" >"$tmp/probe.cpp"
  if "$compiler" -std=c++20 -fsyntax-only "${flags[@]}" "$tmp/probe.cpp" >"$tmp/out" 2>&1; then
    [ "$expect" = ok ] || fail "$layer: #include $include compiled; it must not"
  elif [ "$expect" = ok ]; then
    fail "$layer: #include $include did not compile:"; sed 's/^/    /' "$tmp/out" | head -5
  elif ! grep -q 'No such file or directory' "$tmp/out"; then
    fail "$layer: #include $include failed, but not as a header that is not found:"; head -5 "$tmp/out"
  fi
}

while read -r layer expect include; do
  [ -z "$layer" ] || [ "${layer:0:1}" = "#" ] && continue
  [ -n "${dirs[$layer]+set}" ] || continue  # a layer not built here
  probe "$layer" "$expect" "$include"
done <<'ROWS'
case    ok  "case/Status.h"
case    no  "toolkit/WindowText.h"
case    no  "forms/Unit1.h"
case    no  "profile/LoadProfileWindow.h"
case    no  "cli/Command.h"
case    no  "python/Case.h"
case    no  <QString>
case    no  <QtCore/QString>
cli     ok  "case/CaseFile.h"
cli     ok  "cli/Changes.h"
cli     ok  <CLI/CLI.hpp>
cli     no  "toolkit/WindowText.h"
cli     no  "forms/Unit1.h"
cli     no  "python/Case.h"
cli     no  <QString>
python  ok  "case/CaseFile.h"
python  ok  "python/Arrays.h"
python  no  "toolkit/WindowText.h"
python  no  "forms/Unit1.h"
python  no  "cli/Command.h"
python  no  <QtCore/QString>
ROWS

# The sources themselves: quoted includes name their own layer or the core,
# never a path with "..", and nothing of Qt.
check_sources() {  # check_sources FOLDER ALLOWED_PREFIXES...
  local folder=$1
  shift
  local file line include ok prefix
  while IFS= read -r -d '' file; do
    while IFS= read -r line; do
      include=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*//' <<<"$line")
      case $include in
        \"*)
          ok=0
          for prefix in "$@"; do [[ $include == \"$prefix/* ]] && ok=1; done
          [[ $include == *..* ]] && ok=0
          [ $ok = 1 ] || fail "${file#"$source_dir"/}: $line" ;;
        \<Q*|\<toolkit/*|\<forms/*) fail "${file#"$source_dir"/}: $line" ;;
      esac
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
  done < <(find "$source_dir/$folder" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
}
check_sources case case
check_sources cli case cli
[ -n "${dirs[python]+set}" ] && check_sources python case python

if [ $failures -gt 0 ]; then
  echo "$failures layer rule(s) broken"
  exit 1
fi
echo "layers kept: case, cli and python include only what they may"
