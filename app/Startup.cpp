#include "app/Startup.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <string_view>

#include "toolkit/Exception.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"

namespace {

// Qt's options that take the next argument as their value (Qt accepts them
// with one dash or two, and as "-option=value", which takes nothing more).
bool TakesValue(std::string_view option) {
  static constexpr std::string_view kWithValue[] = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
      "qwindowicon", "icon", "qwindowtitle", "title", "session", "display", "name",
      "style", "stylesheet", "qmljsdebugger", "dialogs",
  };
  option.remove_prefix(option.starts_with("--") ? 2 : 1);
  if (option.find('=') != std::string_view::npos) return false;
  for (std::string_view known : kWithValue) {
    if (option == known) return true;
  }
  return false;
}

}  // namespace

TCommandLine SplitCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine line;
  line.qt_arguments.push_back(arguments.empty() ? std::string("zormek_gui") : arguments.front());
  bool options = true;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a.size() > 1 && a[0] == '-') {
      line.qt_arguments.push_back(a);
      if (TakesValue(a) && i + 1 < arguments.size()) line.qt_arguments.push_back(arguments[++i]);
    } else if (line.case_file.empty() && !a.empty()) {
      line.case_file = a;
    }
  }
  return line;
}

void OpenCaseOnStart(TForm1* form, const std::string& path) {
  QTimer::singleShot(0, form->Widget(), [form, path] {
    TApplication::Dispatch([form, &path](TObject*) { form->OpenCaseFile(path); }, form);
  });
}

int RunZormekGui(int argc, char** argv, const std::function<void(TForm1*)>& created) {
  const TCommandLine line = SplitCommandLine(std::vector<std::string>(argv, argv + (argc > 0 ? argc : 0)));
  // Qt keeps pointers into argv for the whole run.
  std::vector<std::string> qt_strings = line.qt_arguments;
  std::vector<char*> qt_argv;
  for (std::string& s : qt_strings) qt_argv.push_back(s.data());
  qt_argv.push_back(nullptr);
  int qt_argc = static_cast<int>(qt_strings.size());
  TApplication app(qt_argc, qt_argv.data());
  QGuiApplication::setDesktopFileName(QStringLiteral("org.zormek.ZormekGui"));
  try {
    Application->Initialize();
    Application->SetTitle("ZORMEK_GUI");
    Application->CreateForm(Form1);
    if (created) created(Form1);
    if (!line.case_file.empty()) OpenCaseOnStart(Form1, line.case_file);
    return Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e.Message());
  } catch (...) {
    // Anything else is shown as a program exception without a message.
    Application->ShowException("");
  }
  return 1;
}
