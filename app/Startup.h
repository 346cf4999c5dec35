#pragma once
// Start-up: application object, title, main window, event loop.

#include <functional>
#include <string>
#include <vector>

class TForm1;

// Runs the program; returns the process exit code. `created` (benchmarks)
// runs once the main window exists, before the event loop.
int RunZormekGui(int argc, char** argv, const std::function<void(TForm1*)>& created = {});

// The command line. Qt's own options (with the value that follows those
// that take one, as "-style fusion") are handed to Qt; "--" ends them; the
// first other argument names a case file to open, and any later one is
// ignored. Without arguments Qt gets the program's name alone.
//   {"zormek_gui", "-style", "fusion", "caso1.dad"} -> Qt {"zormek_gui", "-style", "fusion"}, "caso1.dad"
//   {"zormek_gui", "--", "-x.dad"}                  -> Qt {"zormek_gui"}, "-x.dad"
struct TCommandLine {
  std::vector<std::string> qt_arguments;  // the program's name first
  std::string case_file;                  // empty: none
};
TCommandLine SplitCommandLine(const std::vector<std::string>& arguments);

// Opens the case file in the main window as soon as the event loop runs,
// that is once the window is on screen.
void OpenCaseOnStart(TForm1* form, const std::string& path);
