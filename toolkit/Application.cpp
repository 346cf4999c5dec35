// TApplication: the Qt application, the owned forms, the event loop and the
// error display behind every handler dispatch.
#include "toolkit/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>

#include "toolkit/MessageBox.h"
#include "toolkit/Widgets.h"

TApplication* Application = nullptr;

TApplication::TApplication(int& argc, char** argv) : qt_(std::make_unique<QApplication>(argc, argv)) {
  Application = this;
}

TApplication::~TApplication() {
  // A form's destructor releases it, so work on a copy.
  const std::vector<TForm*> forms = owned_;
  for (TForm* form : forms)
    if (std::find(owned_.begin(), owned_.end(), form) != owned_.end()) delete form;
  owned_.clear();
  main_form_ = nullptr;
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  if (qt_texts_) return;
  auto translator = std::make_unique<QTranslator>();
  // The translator must stay alive as long as it is installed: destroying it
  // takes its texts away again.
  if (translator->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator.get()))
    qt_texts_ = std::move(translator);
}

void TApplication::SetTitle(std::string_view title) {
  // Only the error display shows the title: Qt's application display name
  // would be appended to every window caption on X11 ("ZORMEK GUI — ...").
  title_ = std::string(title);
}

void TApplication::Own(TForm* form) {
  if (std::find(owned_.begin(), owned_.end(), form) == owned_.end()) owned_.push_back(form);
}

void TApplication::Adopt(TForm* form) {
  if (!form) return;
  Own(form);
  if (!main_form_) main_form_ = form;
}

void TApplication::Release(TForm* form) {
  owned_.erase(std::remove(owned_.begin(), owned_.end(), form), owned_.end());
  if (main_form_ == form) main_form_ = nullptr;
}

// Returns when the main form is closed (its window quits the loop).
int TApplication::Run() {
  if (!main_form_) return 0;
  main_form_->Show();
  return QApplication::exec();
}

void TApplication::ShowException(std::string_view message) {
  // While a form is modal it owns the box, even before its window is active.
  QWidget* window = QApplication::activeModalWidget();
  if (!window) window = QApplication::activeWindow();
  const TForm* owner = tk::FormOf(window);
  ShowMessageBox(owner, ErrorDisplayText(message), title_);
}

// "." is appended when the last character's code is above that of "." (46):
// letters and digits get one; a blank, "!", "'", ")", ",", "-" and "." do
// not. A character beyond ASCII (a multibyte UTF-8 sequence) is above 46.
std::string TApplication::ErrorDisplayText(std::string_view message) {
  std::string text(message);
  if (text.empty()) return text;
  const auto last = static_cast<unsigned char>(text.back());
  if (last > '.') text += '.';  // a UTF-8 continuation byte is 0x80..0xBF
  return text;
}

void TApplication::Dispatch(const TNotifyEvent& handler, TObject* sender) noexcept {
  if (!handler) return;
  try {
    const TNotifyEvent run = handler;  // the handler may rebind itself
    run(sender);
  } catch (const std::exception& e) {
    try {
      if (Application) Application->ShowException(e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      if (Application) Application->ShowException("");
    } catch (...) {
    }
  }
}
