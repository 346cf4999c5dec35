// The command line: Qt's options for Qt, the case file for the program.
#include <gtest/gtest.h>

#include "app/Startup.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, QtOptionsGoToQtAndTheFirstOtherArgumentIsTheCase) {
  struct {
    const char* name;
    Args arguments;
    Args qt;
    const char* file;
  } const rows[] = {
      {"nothing", {"zormek_gui"}, {"zormek_gui"}, ""},
      {"a file", {"zormek_gui", "caso1.dad"}, {"zormek_gui"}, "caso1.dad"},
      {"an option with its value before the file", {"zormek_gui", "-style", "fusion", "/casos/c.dad"},
       {"zormek_gui", "-style", "fusion"}, "/casos/c.dad"},
      {"two dashes and an equals sign", {"zormek_gui", "--platform=offscreen", "c.dad", "-reverse"},
       {"zormek_gui", "--platform=offscreen", "-reverse"}, "c.dad"},
      {"an option without a value", {"zormek_gui", "-reverse", "c.dad"}, {"zormek_gui", "-reverse"}, "c.dad"},
      {"after --, a name that starts with a dash", {"zormek_gui", "--", "-style.dad"}, {"zormek_gui"}, "-style.dad"},
      {"only the first file", {"zormek_gui", "a.dad", "b.dad"}, {"zormek_gui"}, "a.dad"},
      {"a name that is not UTF-8, as its bytes", {"zormek_gui", "caf\xE9.dad"}, {"zormek_gui"}, "caf\xE9.dad"},
      {"an option's value is not the file", {"zormek_gui", "-platform", "offscreen"},
       {"zormek_gui", "-platform", "offscreen"}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TCommandLine line = SplitCommandLine(row.arguments);
    EXPECT_EQ(line.qt_arguments, row.qt);
    EXPECT_EQ(line.case_file, row.file);
  }
}

}  // namespace
