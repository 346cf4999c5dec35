#!/usr/bin/env bash
# make screenshot: the windows rendered under a real X server (Xvfb).
set -euo pipefail
BUILD=${1:-build}
OUT="$BUILD/screenshots"
mkdir -p "$OUT"
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$BUILD/tools/zk_screenshot" "$OUT"
