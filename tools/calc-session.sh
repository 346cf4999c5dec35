#!/usr/bin/env bash
# Helpers for driving a real LibreOffice Calc on the current X display
# (sourced by the clipboard capture and the Calc round-trip test).
#   calc_start LOCALE PROFILE_DIR FILE   starts soffice on FILE in LOCALE (pt-BR, en-US)
#   calc_window NAME [SECONDS]           waits (60 s) for the window whose title holds NAME
#   calc_stop                            ends the soffice that calc_start started
# The profile is made fresh: the locale setting fixed, no first-run dialogs.

calc_profile() {  # DIR LOCALE
  mkdir -p "$1/user"
  cat >"$1/user/registrymodifications.xcu" <<XCU
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse"><value>$2</value></prop></item>
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooLocale" oor:op="fuse"><value>$2</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseSystemFileDialog" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/AutoSave"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
XCU
}

calc_start() {  # LOCALE PROFILE_DIR FILE
  local posix=${1/-/_}.UTF-8
  calc_profile "$2" "$1"
  LANG=$posix LC_ALL=$posix SAL_USE_VCLPLUGIN=gen \
    soffice -env:UserInstallation="file://$2" --norestore --nologo --nodefault --calc "$3" \
    >"$2/soffice.log" 2>&1 &
  CALC_PID=$!
}

calc_window() {  # NAME [SECONDS]: prints the window id
  local id
  for _ in $(seq $((${2:-60} * 10))); do
    id=$(xdotool search --name "$1" 2>/dev/null | tail -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

calc_stop() {
  [ -n "${CALC_PID:-}" ] || return 0
  kill "$CALC_PID" 2>/dev/null || true
  # soffice.bin is soffice's child; it ends with the session's pipe.
  for _ in $(seq 50); do kill -0 "$CALC_PID" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$CALC_PID" 2>/dev/null || true
  wait "$CALC_PID" 2>/dev/null || true
  CALC_PID=
}
