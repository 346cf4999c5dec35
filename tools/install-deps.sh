#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need,
# but only those that are missing. Runs apt-get as root, or through sudo.
# apt's own output goes to a log file (ZK_DEPS_LOG, by default
# build/install-deps.log); the terminal gets one line per step.
#   tools/install-deps.sh [fuzz]
set -euo pipefail
cd "$(dirname "$0")/.."

# One group of packages per line.
PACKAGES=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpfr-dev libgmp-dev
  xvfb xauth x11-utils openbox xdotool
  fonts-liberation fonts-crosextra-carlito fonts-dejavu-core
  desktop-file-utils shared-mime-info dpkg-dev file
  libcli11-dev nlohmann-json3-dev pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-hypothesis
  libxml2-dev
)
# Extra groups, asked for with an argument: "fuzz" adds clang's libFuzzer runtime.
for extra in "$@"; do
  case "$extra" in
    fuzz) PACKAGES+=(clang-14 libclang-rt-14-dev) ;;
    # "calc": LibreOffice Calc for the table's round trip through a real
    # spreadsheet (skipped without it), and what the clipboard captures need.
    calc) PACKAGES+=(libreoffice-calc xclip gnumeric imagemagick) ;;
    *) echo "install-deps: unknown group '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

say() { echo "install-deps: $*"; }

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  say "${#missing[@]} packages are missing: ${missing[*]}" >&2
  say "installing them needs root, and sudo is not installed; run as root:" >&2
  say "  su -c 'bash tools/install-deps.sh $*'" >&2
  exit 1
fi

LOG=${ZK_DEPS_LOG:-build/install-deps.log}
mkdir -p "$(dirname "$LOG")"
: >"$LOG"
say "installing ${#missing[@]} packages and what they need (apt's output: $LOG)"

# Runs one step with its output in the log; prints how long it took, or the
# end of the log when it failed.
step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name: $*" >>"$LOG"
  if "$@" >>"$LOG" 2>&1 </dev/null; then
    local took=$((SECONDS - start))
    say "$name: done in $((took / 60)) min $((took % 60)) s"
  else
    local rc=$?
    say "$name: failed (exit $rc); the end of $LOG:" >&2
    tail -n 20 "$LOG" >&2
    exit "$rc"
  fi
}

export DEBIAN_FRONTEND=noninteractive
step "apt-get update" "${SUDO[@]}" apt-get update
step "apt-get install" "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y --no-install-recommends "${missing[@]}"
