#!/usr/bin/env bash
# Captures what the PCManFM file manager (Debian's pcmanfm) offers when a
# file is dragged out of it: a file whose name is Latin-1, not UTF-8, is
# dragged from a real PCManFM onto a small Qt window on a private Xvfb
# screen (openbox managing it), which writes every format of the drop into
# OUT_DIR, one file per format ("/" and ";" in its name as "_").
#   bash tests/data/file-manager/capture-pcmanfm.sh OUT_DIR
# (The process-local application/x-fmlist-ptr is not kept.)
set -euo pipefail
out=${1:?usage: capture-pcmanfm.sh OUT_DIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d)
mkdir -p "$tmp/casos"
printf 'x' >"$tmp/casos/caf"$'\xe9'".dad"
cat >"$tmp/drop.cpp" <<'CPP'
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QWidget>
class Target : public QWidget {
public:
  explicit Target(QString out) : out_(std::move(out)) { setAcceptDrops(true); resize(500, 400); move(700, 100); }
  void dragEnterEvent(QDragEnterEvent* e) override { e->acceptProposedAction(); }
  void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
  void dropEvent(QDropEvent* e) override {
    for (const QString& format : e->mimeData()->formats()) {
      QString name = format;
      QFile file(out_ + "/" + name.replace('/', '_').replace(';', '_').replace('=', '_'));
      if (file.open(QIODevice::WriteOnly)) file.write(e->mimeData()->data(format));
    }
    e->acceptProposedAction();
    QMetaObject::invokeMethod(qApp, &QApplication::quit, Qt::QueuedConnection);
  }
private:
  QString out_;
};
int main(int argc, char** argv) { QApplication app(argc, argv); Target t(argv[1]); t.show(); return app.exec(); }
CPP
g++ -std=c++20 -fPIC "$tmp/drop.cpp" -o "$tmp/drop" $(pkg-config --cflags --libs Qt6Widgets)
Xvfb :94 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & xvfb=$!
trap 'kill $fm $wm $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
export DISPLAY=:94
sleep 1
openbox --sm-disable >/dev/null 2>&1 & wm=$!
sleep 1
"$tmp/drop" "$out" & target=$!
pcmanfm --no-desktop "$tmp/casos" >/dev/null 2>&1 & fm=$!
sleep 4
w=$(xdotool search --class pcmanfm | tail -n 1)
xdotool windowmove "$w" 0 300 windowsize "$w" 330 400
sleep 1
# The file's icon is the first in the folder's icon view.
xdotool mousemove 208 415 mousedown 1
for x in 260 350 450 550 650 750 850 950; do xdotool mousemove "$x" 300; sleep 0.15; done
xdotool mouseup 1
wait "$target"
rm -f "$out/application_x-fmlist-ptr"
ls "$out"
