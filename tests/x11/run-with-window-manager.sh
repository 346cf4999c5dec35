#!/usr/bin/env bash
# Runs a command on a fresh Xvfb screen (1280 x 1024) managed by openbox, a
# reparenting window manager that reports its frames (_NET_FRAME_EXTENTS).
# Exits 77 (skipped) with a message where no X server can be started.
set -u

for tool in Xvfb openbox xprop xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (tools/install-deps.sh installs it)"
    exit 77
  fi
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
if [ ! -s "$tmp/display" ]; then
  echo "SKIPPED: Xvfb did not start: $(tail -n 3 "$tmp/xvfb.log")"
  exit 77
fi
export DISPLAY=":$(head -n 1 "$tmp/display")"

# openbox keeps its settings and caches under the temporary folder.
export XDG_CONFIG_HOME="$tmp/config" XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "openbox did not start: $(tail -n 3 "$tmp/openbox.log")"
  exit 1
fi

QT_QPA_PLATFORM=xcb "$@"
