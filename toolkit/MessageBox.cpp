// The message-box seam: a recorder in tests, a modal Qt message box otherwise.
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {
TMessageBoxPresenter& Presenter() {
  static TMessageBoxPresenter presenter;
  return presenter;
}
}  // namespace

TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter) {
  TMessageBoxPresenter previous = std::move(Presenter());
  Presenter() = std::move(presenter);
  return previous;
}

void ShowMessageBox(const TForm* owner, std::string_view text, std::string_view caption) {
  TMessageBoxRequest request;
  request.owner = owner;
  request.caption = std::string(caption);
  request.text = std::string(text);
  request.error_icon = true;
  if (const TMessageBoxPresenter presenter = Presenter()) {
    presenter(request);
    return;
  }
  QPointer<QWidget> parent = owner ? owner->Widget() : QApplication::activeWindow();
  if (parent) parent = parent->window();
  QMessageBox box(QMessageBox::Critical, tk::Q(caption), tk::Q(text), QMessageBox::Ok, parent);
  // Messages quote what the user typed: "<b>1</b>" is shown as typed, never
  // as a bold 1 (Qt would guess rich text from the tags).
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);  // every window waits for the answer
  box.exec();
  // Offscreen platforms and some window managers leave no window active.
  if (parent && parent->isVisible()) parent->activateWindow();
}
