#pragma once
// The one way the program shows a message box: caption, text, error icon,
// one "OK" button, an owner window, modal. Tests replace the presenter with
// a recorder so no modal loop blocks them.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TForm;

struct TMessageBoxRequest {
  const TForm* owner = nullptr;  // nullptr: the active window
  std::string caption;
  std::string text;
  bool error_icon = true;
  // A question's answers, one button each; the last is the one that
  // cancels (Escape, the close button), and the default one (Enter), so
  // that no answer is ever given by accident. Empty for a message.
  std::vector<std::string> choices;
};

using TMessageBoxPresenter = std::function<void(const TMessageBoxRequest&)>;

// Shows the box and returns when the user has answered it.
void ShowMessageBox(const TForm* owner, std::string_view text, std::string_view caption);

// Installs a presenter; returns the previous one. An empty presenter restores
// the real, modal Qt message box.
TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter);

// A modal question box with the question icon and one button per choice:
// returns the index of the choice the user took (the last one for Escape
// or the close button).
//   AskQuestion(this, "1.038 = 1038 ou 1,038?", "Colar tabela de intervalos", {"1038", "1,038", "Cancelar"})
int AskQuestion(const TForm* owner, std::string_view text, std::string_view caption,
                const std::vector<std::string>& choices);

// The question seam: a presenter answers with a choice's index. An empty
// one restores the real box. Returns the previous one.
using TQuestionPresenter = std::function<int(const TMessageBoxRequest&)>;
TQuestionPresenter SetQuestionPresenter(TQuestionPresenter presenter);
