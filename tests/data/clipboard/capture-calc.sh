#!/usr/bin/env bash
# Captures what LibreOffice Calc puts on the clipboard for each sheet in
# sheets/, in Brazilian Portuguese and in US English: opens the sheet in a
# real Calc on a private Xvfb screen (openbox managing it), selects the used
# range (Ctrl+Home, Ctrl+Shift+End), copies it (Ctrl+C) and saves the
# clipboard's targets with xclip. Writes calc-<locale>/<sheet>/.
#   bash tests/data/clipboard/capture-calc.sh   (LOCALES="en-US" for one locale)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../tools/calc-session.sh"
tmp=$(mktemp -d)
Xvfb :93 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & xvfb=$!
trap 'calc_stop; kill $wm $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
export DISPLAY=:93
sleep 1
openbox --sm-disable >/dev/null 2>&1 & wm=$!
sleep 1

save() {  # TARGET FILE
  xclip -o -selection clipboard -t "$1" >"$2" 2>/dev/null || rm -f "$2"
}

for locale in ${LOCALES:-pt-BR en-US}; do
  for sheet in "$here"/sheets/*.fods; do
    name=$(basename "$sheet" .fods)
    out="$here/calc-$locale/$name"
    mkdir -p "$out"
    # A copy of its own: a lock file left beside the sheet would stop Calc
    # with a question.
    cp "$sheet" "$tmp/$name.fods"
    # soffice now and then ends at start-up on a busy machine: a second try.
    for try in 1 2; do
      rm -rf "$tmp/profile-$locale-$name"
      calc_start "$locale" "$tmp/profile-$locale-$name" "$tmp/$name.fods"
      w=$(calc_window "$name") && break
      calc_stop
    done
    sleep 3
    xdotool windowactivate --sync "$w"
    sleep 0.5
    xdotool key --window "$w" ctrl+Home ctrl+shift+End ctrl+c
    sleep 2
    xclip -o -selection clipboard -t TARGETS >"$out/targets.txt"
    save 'text/plain;charset=utf-8' "$out/text-plain.txt"
    save text/html "$out/text-html.html"
    save 'application/x-openoffice-sylk;windows_formatname="Sylk"' "$out/sylk.slk"
    save 'application/x-openoffice-dif;windows_formatname="DIF"' "$out/dif.dif"
    save application/x-libreoffice-tsvc "$out/tsvc.txt"
    calc_stop
    echo "captured $locale $name"
  done
done
