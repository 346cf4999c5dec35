#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need,
# but only those that are missing. Runs apt-get as root, or through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpfr-dev libgmp-dev
  xvfb xauth x11-utils openbox xdotool
  fonts-liberation fonts-dejavu-core
  desktop-file-utils shared-mime-info dpkg-dev file
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

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
