// The memo stays fast: 10,000 presses of "OK", each appending one line, with
// the mean time of the last 1,000 presses compared with the first 1,000.
// Appending must not grow with the memo's length.

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  TApplication app(qt_argc, argv);
  Application->SetTitle("ZORMEK_GUI");
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});
  const int presses = argc > 1 ? std::atoi(argv[1]) : 10000;
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowActive(Form1->Widget())) std::fprintf(stderr, "window not active\n");
  Form1->LabeledEdit3->SetText("10");
  Form1->LabeledEdit4->SetText("500");

  std::vector<double> ns(static_cast<std::size_t>(presses));
  QElapsedTimer timer;
  for (int i = 0; i < presses; ++i) {
    timer.start();
    QTest::mouseClick(Form1->Button3->Widget(), Qt::LeftButton);
    QCoreApplication::processEvents();  // let the memo lay out and paint
    ns[static_cast<std::size_t>(i)] = static_cast<double>(timer.nsecsElapsed());
  }
  const int window = std::min(1000, presses / 2);
  const double first = std::accumulate(ns.begin(), ns.begin() + window, 0.0) / window;
  const double last = std::accumulate(ns.end() - window, ns.end(), 0.0) / window;
  std::printf("memo: %d presses of \"OK\", %d lines in the memo\n", presses, Form1->Memo1->LineCount());
  std::printf("  mean of the first %d presses: %8.1f us\n", window, first / 1e3);
  std::printf("  mean of the last  %d presses: %8.1f us\n", window, last / 1e3);
  const double ratio = last / first;
  std::printf("  ratio last / first:           %8.2f  (target <= 1.50: %s)\n", ratio, ratio <= 1.50 ? "met" : "not met");
  delete Form1;
  Form1 = nullptr;
  return 0;
}
