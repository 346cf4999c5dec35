#include "app/Startup.h"

#include <QGuiApplication>
#include <exception>

#include "case/Exception.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"

int RunZormekGui(int argc, char** argv) {
  // Qt gets only the program name: the program reads no command line.
  int qt_argc = argc > 0 ? 1 : 0;
  char* qt_argv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
  TApplication app(qt_argc, qt_argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.zormek.ZormekGui"));
  try {
    Application->Initialize();
    Application->SetTitle("ZORMEK_GUI");
    Application->CreateForm(Form1);
    return Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e.Message());
  } catch (...) {
    // Anything else is shown as a program exception without a message.
    Application->ShowException("");
  }
  return 1;
}
