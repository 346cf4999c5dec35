#!/usr/bin/env bash
# Captures what Gnumeric puts on the clipboard for the sheets in sheets/
# (turned into .ods by LibreOffice, which Gnumeric opens), as capture-calc.sh
# does for Calc: a private Xvfb screen under openbox, Ctrl+Home,
# Ctrl+Shift+End, Ctrl+C, the targets saved with xclip. Writes
# gnumeric-<locale>/<sheet>/.
#   bash tests/data/clipboard/capture-gnumeric.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
Xvfb :94 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & xvfb=$!
trap 'kill $app $wm $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
app=
export DISPLAY=:94 HOME=$tmp
sleep 1
openbox --sm-disable >/dev/null 2>&1 & wm=$!
sleep 1
soffice -env:UserInstallation="file://$tmp/lo" --headless --convert-to ods --outdir "$tmp" "$here"/sheets/*.fods >/dev/null 2>&1

for locale in pt-BR en-US; do
  for sheet in "$here"/sheets/*.fods; do
    name=$(basename "$sheet" .fods)
    out="$here/gnumeric-$locale/$name"
    mkdir -p "$out"
    LANG=${locale/-/_}.UTF-8 LC_ALL=${locale/-/_}.UTF-8 gnumeric --no-splash "$tmp/$name.ods" >/dev/null 2>&1 & app=$!
    w=
    for _ in $(seq 300); do
      w=$(xdotool search --name "$name" 2>/dev/null | tail -n 1) && [ -n "$w" ] && break
      sleep 0.1
    done
    sleep 3
    xdotool windowactivate --sync "$w"
    sleep 0.5
    xdotool key ctrl+Home ctrl+shift+End ctrl+c  # GTK takes no sent events: to the focus
    sleep 2
    xclip -o -selection clipboard -t TARGETS >"$out/targets.txt"
    for t in $(cat "$out/targets.txt"); do
      case "$t" in
        application/x-gnumeric) xclip -o -selection clipboard -t "$t" >"$out/gnumeric.xml" ;;
        text/html) xclip -o -selection clipboard -t "$t" >"$out/text-html.html" ;;
        UTF8_STRING) xclip -o -selection clipboard -t "$t" >"$out/text-plain.txt" ;;
      esac
    done
    kill $app; wait $app 2>/dev/null || true
    echo "captured $locale $name"
  done
done
