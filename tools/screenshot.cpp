// Renders the main window and the algorithm dialog into PNG files, as they
// look on the screen the program runs on (run it under xvfb-run).
//   zk_screenshot OUTPUT_DIR

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "forms/Unit1.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"

namespace {

void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* window, const QString& path) {
  const bool ok = window->grab().save(path, "PNG");
  std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), window->width(), window->height());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  int qt_argc = 1;
  TApplication app(qt_argc, argv);
  Application->SetTitle("ZORMEK_GUI");
  Application->CreateForm(Form1);
  QDir().mkpath(out);
  Form1->Show();
  Settle(500);
  bool ok = Save(Form1->Widget(), out + "/main_window.png");
  QTimer::singleShot(500, [&] {
    if (Form2 != nullptr) {
      ok = Save(Form2->Widget(), out + "/parameters_dialog.png") && ok;
      Form2->Close();
    } else {
      ok = false;
    }
  });
  Form1->Button2Click(nullptr);
  return ok ? 0 : 1;
}
