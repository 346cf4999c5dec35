#pragma once
// Asking the user for a case file to read: a modal file dialog owned by a
// window, showing the case files ("*.dad") of a folder.

#include <string>
#include <string_view>

class TForm;

// The chosen file's path (as the file system spells it), or "" when the
// dialog was cancelled. `folder`: where the dialog starts ("" for the
// current folder).
std::string AskCaseFileToOpen(const TForm* owner, std::string_view caption, std::string_view folder);
