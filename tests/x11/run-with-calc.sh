#!/usr/bin/env bash
# Runs a test that drives a real LibreOffice Calc (soffice) on a fresh Xvfb
# screen under openbox; exits 77 (skipped) with the reason where soffice,
# xdotool or the X server is not there.
for tool in soffice xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (LibreOffice Calc: apt-get install libreoffice-calc)"
    exit 77
  fi
done
exec bash "$(dirname "$0")/run-with-window-manager.sh" "$@"
