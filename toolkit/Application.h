#pragma once
// The application object: title, main form, event loop, error display.

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Toolkit.h"

class QApplication;
class QTranslator;

class TApplication : public TObject {
public:
  // Creates the Qt application; argc/argv are handed to Qt only.
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  // Loads Qt's own Brazilian Portuguese texts (context menus of the edits
  // and the memo, for instance) whatever the system's language; without the
  // translation file Qt's English stays. The program's own texts are not
  // translated.
  void Initialize();
  const std::string& Title() const { return title_; }
  void SetTitle(std::string_view title);

  // Creates a form owned by the application; the first one becomes the main
  // form. Run() shows it and returns when it is closed.
  template <class F>
  void CreateForm(F*& reference) {
    reference = new F(this);
    Adopt(reference);
  }
  TForm* MainForm() const { return main_form_; }
  int Run();

  // The error display: the message, with "." appended when its last
  // character's code is above 46, caption Title(), error icon, modal.
  void ShowException(std::string_view message);
  static std::string ErrorDisplayText(std::string_view message);

  // Every handler dispatch goes through here: runs the handler and shows
  // whatever it throws; nothing escapes.
  static void Dispatch(const TNotifyEvent& handler, TObject* sender) noexcept;

  // Forms owned by the application (see TForm's owner). Adopt also makes the
  // first adopted form the main form.
  void Adopt(TForm* form);
  void Release(TForm* form);

private:
  friend class TForm;
  void Own(TForm* form);  // a form created with the application as owner
  std::unique_ptr<QApplication> qt_;
  std::unique_ptr<QTranslator> qt_texts_;  // gone before qt_
  std::string title_;
  TForm* main_form_ = nullptr;
  std::vector<TForm*> owned_;
};

extern TApplication* Application;
