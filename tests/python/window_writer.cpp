// The window's side of the same-bytes tests: a case typed as texts into the
// window's fields (the decimal comma), converted by the window's own
// conversions and written by GRAVAR's writer (WriteCaseFile, base name and
// folder).
//
//   window_writer FOLDER BASE < record
// where record holds lines "title<TAB>text", "<field><TAB>text" (CaseFields
// names) and "interval<TAB>duration<TAB>load" (the table, in order).
// Exit 0 when the file was written, 1 with the message otherwise.

#include <iostream>
#include <string>
#include <vector>

#include "case/CaseFields.h"
#include "case/CaseFile.h"
#include "toolkit/WindowText.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: window_writer FOLDER BASE < record\n";
    return 2;
  }
  WindowDecimalSeparator = ',';
  TCaseData data;
  if (!data.Create(1)) return 1;
  std::string title;
  std::vector<double> durations, loads;
  try {
    for (std::string line; std::getline(std::cin, line);) {
      const std::size_t tab = line.find('\t');
      const std::string name = line.substr(0, tab);
      const std::string text = tab == std::string::npos ? std::string() : line.substr(tab + 1);
      if (name == "title") {
        title = text;
      } else if (name == "interval") {
        const std::size_t second = text.find('\t');
        durations.push_back(ParseRealText(text.substr(0, second)));
        loads.push_back(ParseRealText(text.substr(second + 1)));
      } else if (const TCaseField* field = FindCaseField(name)) {
        if (field->kind == TFieldKind::Integer) {
          field->Integer(data) = ParseIntegerText(text);
        } else {
          field->Real(data) = ParseRealText(text);
        }
      } else {
        std::cerr << "unknown line: " << line << "\n";
        return 2;
      }
    }
  } catch (const EConvertError& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  // The count typed first (the table is re-sized), then "OK" per interval.
  if (!durations.empty()) {
    if (TStatus sized = data.Redimension(static_cast<int32_t>(durations.size())); !sized) return 1;
    for (std::size_t k = 0; k < durations.size(); ++k) {
      if (!data.SetDuration(static_cast<int32_t>(k + 1), durations[k]) ||
          !data.SetLoad(static_cast<int32_t>(k + 1), loads[k])) {
        return 1;
      }
    }
  }
  if (TStatus written = WriteCaseFile(data, title, argv[2], argv[1]); !written) {
    std::cerr << written.Error().message << "\n";
    return 1;
  }
  return 0;
}
