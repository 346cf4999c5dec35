// Renders the main window, the algorithm dialog and the load profile into PNG files, as they
// look on the screen the program runs on (run it under xvfb-run).
//   zk_screenshot OUTPUT_DIR

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "forms/Unit1.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"

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

  // The load profile of a day pasted as a spreadsheet would put it on the
  // clipboard; interval 9 has no duration yet and interval 20 no load.
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});
  const int loads[24] = {420, 400, 390, 385, 390, 420, 500, 600, 680, 720, 740, 750,
                         745, 740, 735, 730, 740, 780, 820, 0, 720, 620, 520, 460};
  QString table;
  for (int i = 0; i < 24; ++i) table += QStringLiteral("%1\t%2\n").arg(i == 8 ? 0 : 1).arg(loads[i]);
  QGuiApplication::clipboard()->setText(table);
  Form1->PasteIntervalTable(nullptr);
  Form1->ShowLoadProfile(nullptr);
  Settle(500);
  ok = Save(Form1->LoadProfileWindow()->Widget(), out + "/load_profile.png") && ok;
  return ok ? 0 : 1;
}
