#pragma once
// The one way the program shows a message box: caption, text, error icon,
// one "OK" button, an owner window, modal. Tests replace the presenter with
// a recorder so no modal loop blocks them.

#include <functional>
#include <string>
#include <string_view>

class TForm;

struct TMessageBoxRequest {
  const TForm* owner = nullptr;  // nullptr: the active window
  std::string caption;
  std::string text;
  bool error_icon = true;
};

using TMessageBoxPresenter = std::function<void(const TMessageBoxRequest&)>;

// Shows the box and returns when the user has answered it.
void ShowMessageBox(const TForm* owner, std::string_view text, std::string_view caption);

// Installs a presenter; returns the previous one. An empty presenter restores
// the real, modal Qt message box.
TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter);
