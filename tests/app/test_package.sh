#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a temporary
# root and checks what a user would get: the program, its desktop entry and
# icon, the Qt runtime as dependencies, and a program that starts.
#   test_package.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$TMP" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$TMP/out" >"$TMP/cpack.log" 2>&1) ||
  { cat "$TMP/cpack.log"; fail "cpack failed"; }
DEB=$(ls "$TMP"/out/*.deb | head -1)
[ -f "$DEB" ] || fail "no .deb produced"
echo "package: $(basename "$DEB")"

dpkg-deb --info "$DEB" >"$TMP/info"
grep -q '^ Package: zormek-gui$' "$TMP/info" || fail "package name"
DEPENDS=$(sed -n 's/^ Depends: //p' "$TMP/info")
echo "depends: $DEPENDS"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6charts6 libc6 libstdc++6 qt6-translations-l10n; do
  echo "$DEPENDS" | grep -q "$lib" || fail "dependency $lib missing"
done

ROOT="$TMP/root"
dpkg -x "$DEB" "$ROOT"
for f in usr/bin/zormek_gui \
         usr/share/applications/org.zormek.ZormekGui.desktop \
         usr/share/icons/hicolor/48x48/apps/org.zormek.ZormekGui.png \
         usr/share/icons/hicolor/scalable/apps/org.zormek.ZormekGui.svg \
         usr/share/mime/packages/org.zormek.ZormekGui.xml \
         usr/share/doc/zormek-gui/copyright \
         usr/share/doc/zormek-gui/changelog.gz \
         usr/share/doc/zormek-gui/examples/exemplo.dad \
         usr/share/man/man1/zormek_gui.1.gz; do
  [ -f "$ROOT/$f" ] || fail "missing /$f"
done
# A maintainer a user can write to, the changelog of this very version, a
# manual page that man can format, and the fonts the windows are laid out for.
grep -Eq '^ Maintainer: [^<]+ <[^@> ]+@[^@> ]+\.[a-z]+>$' "$TMP/info" || fail "maintainer field"
! grep -q '^ Maintainer: .*localhost' "$TMP/info" || fail "maintainer at localhost"
VERSION=$(sed -n 's/^ Version: //p' "$TMP/info")
zcat "$ROOT/usr/share/doc/zormek-gui/changelog.gz" | head -n 1 | grep -q "^zormek-gui ($VERSION) " ||
  fail "the changelog does not start with version $VERSION"
if command -v groff >/dev/null; then
  man_text=$(zcat "$ROOT/usr/share/man/man1/zormek_gui.1.gz" | groff -k -man -Tutf8 -ww 2>"$TMP/groff.log")
  [ ! -s "$TMP/groff.log" ] || { cat "$TMP/groff.log"; fail "groff warns about the manual page"; }
  echo "$man_text" | grep -q 'zormek_gui - case editor' || fail "the manual page has no NAME line"
fi
for font in fonts-crosextra-carlito fonts-liberation; do
  echo "$DEPENDS" | grep -q "$font" || fail "dependency $font missing"
done
# Every documentation folder is named after the package.
for d in "$ROOT"/usr/share/doc/*; do
  [ "$(basename "$d")" = zormek-gui ] || fail "documentation under /usr/share/doc/$(basename "$d")"
done
[ -x "$ROOT/usr/bin/zormek_gui" ] || fail "program not executable"
file "$ROOT/usr/share/icons/hicolor/48x48/apps/org.zormek.ZormekGui.png" | grep -q '48 x 48' || fail "icon is not 48x48"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$ROOT/usr/share/applications/org.zormek.ZormekGui.desktop" || fail "desktop entry invalid"
fi
grep -q '^Exec=zormek_gui %f$' "$ROOT/usr/share/applications/org.zormek.ZormekGui.desktop" || fail "Exec line"
grep -q '^MimeType=application/x-zormek-case;$' "$ROOT/usr/share/applications/org.zormek.ZormekGui.desktop" ||
  fail "MimeType line"
# The file type as the desktop's database reads it: *.dad is a ZORMEK case.
if command -v update-mime-database >/dev/null; then
  mkdir -p "$TMP/mime/packages"
  cp "$ROOT/usr/share/mime/packages/org.zormek.ZormekGui.xml" "$TMP/mime/packages/"
  update-mime-database "$TMP/mime" >"$TMP/mime.log" 2>&1 || { cat "$TMP/mime.log"; fail "update-mime-database"; }
  grep -q ':application/x-zormek-case:\*\.dad$' "$TMP/mime/globs2" || fail "*.dad is not registered"
  grep -q '^application/x-zormek-case text/plain$' "$TMP/mime/subclasses" || fail "MIME type not a text file"
else
  grep -q '<glob pattern="\*.dad"/>' "$ROOT/usr/share/mime/packages/org.zormek.ZormekGui.xml" || fail "glob"
fi
grep -q '^Icon=org.zormek.ZormekGui$' "$ROOT/usr/share/applications/org.zormek.ZormekGui.desktop" || fail "Icon line"
# Directories in the package are world-readable.
dpkg-deb --contents "$DEB" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { bad=1; print } END { exit bad }' ||
  fail "directory permissions"

# The scripting tools: zormek-case with its manual page, and the Python module
# where Debian's own Python looks for the modules of packages.
[ -x "$ROOT/usr/bin/zormek-case" ] || fail "zormek-case missing"
"$ROOT/usr/bin/zormek-case" --help | grep -q '^Uso: zormek-case' || fail "zormek-case --help"
zcat "$ROOT/usr/share/man/man1/zormek-case.1.gz" | grep -q '^\.TH ZORMEK-CASE 1' || fail "zormek-case manual page"
MODULE=$(ls "$ROOT"/usr/lib/python3/dist-packages/zormek.cpython-*.so 2>/dev/null | head -1)
[ -n "$MODULE" ] || fail "Python module missing from /usr/lib/python3/dist-packages"
/usr/bin/python3 -c 'import sys; sys.exit("/usr/lib/python3/dist-packages" not in sys.path)' ||
  fail "/usr/lib/python3/dist-packages is not on Debian's Python path"
for dep in python3-numpy "python3 (>= 3."; do
  echo "$DEPENDS" | grep -qF "$dep" || fail "dependency $dep missing"
done
# (A sanitizer build's module needs the sanitizers' runtime loaded first.)
LD_PRELOAD="${ZK_PYTHON_PRELOAD:-}" PYTHONPATH="$ROOT/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import zormek, sys
case = zormek.Case()
assert zormek.__file__.startswith(sys.argv[1]), zormek.__file__
assert (case.N, case.Maxit) == (1, 30)' "$ROOT" || fail "the packaged module does not import"

# Smoke test: the unpacked program starts headless, is still running after
# two seconds (it only ends when its window is closed) and has printed
# nothing (with a private XDG_RUNTIME_DIR, as a desktop session has, Qt
# has nothing to warn about).
cd "$TMP"
set +e
QT_QPA_PLATFORM=offscreen timeout 2 "$ROOT/usr/bin/zormek_gui" >"$TMP/run.log" 2>&1
rc=$?
set -e
[ "$rc" -eq 124 ] || { cat "$TMP/run.log"; fail "program ended with $rc instead of running"; }
[ ! -s "$TMP/run.log" ] || { cat "$TMP/run.log"; fail "the program printed at start-up"; }
[ ! -e "$TMP/.dad" ] || fail "the program wrote a file without being asked"

# Started as the desktop starts it for a double-clicked case (%f), with a
# good case and with a cut one (whose message then waits for an answer): it
# keeps running and writes nothing.
mkdir -p "$TMP/casos"
cp "$(dirname "$0")/../case/golden/caso_exemplo.dad" "$TMP/casos/exemplo.dad"
printf 'Caso\r\n         1     10.00\r\n    500.00\r\n' >"$TMP/casos/curto.dad"
for case_file in exemplo.dad curto.dad; do
  set +e
  QT_QPA_PLATFORM=offscreen timeout 2 "$ROOT/usr/bin/zormek_gui" "$TMP/casos/$case_file" >"$TMP/run2.log" 2>&1
  rc=$?
  set -e
  [ "$rc" -eq 124 ] || { cat "$TMP/run2.log"; fail "program started with $case_file ended with $rc"; }
done
[ "$(ls "$TMP/casos" | tr '\n' ' ')" = "curto.dad exemplo.dad " ] || fail "the program wrote beside the case"
