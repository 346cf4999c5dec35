// The message-box seam: a recorder in tests, a modal Qt message box otherwise.
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {
TMessageBoxPresenter& Presenter() {
  static TMessageBoxPresenter presenter;
  return presenter;
}

constexpr QChar kBreak(0x200B);  // zero-width space: a place to wrap, drawn as nothing
constexpr qsizetype kLongWord = 30;

// The text with places to wrap in every word longer than kLongWord (a path,
// a file name): after each "/" and at least every kLongWord characters.
// A label wraps only between words, and the box grows to its longest word,
// past the screen's edge for a long file name.
QString Wrappable(const QString& text) {
  QString out;
  out.reserve(text.size() + text.size() / kLongWord);
  qsizetype at = 0;
  while (at < text.size()) {
    qsizetype end = at;
    while (end < text.size() && !text[end].isSpace()) ++end;
    if (end - at <= kLongWord) {
      out += text.mid(at, end - at);
    } else {
      qsizetype run = 0;
      for (qsizetype i = at; i < end; ++i) {
        out += text[i];
        if (text[i].isHighSurrogate()) continue;  // a pair stays whole
        ++run;
        if ((text[i] == u'/' || run >= kLongWord) && i + 1 < end) {
          out += kBreak;
          run = 0;
        }
      }
    }
    for (at = end; at < text.size() && text[at].isSpace(); ++at) out += text[at];
  }
  return out;
}

TQuestionPresenter& Questions() {
  static TQuestionPresenter presenter;
  return presenter;
}

QPointer<QWidget> OwnerWindow(const TForm* owner) {
  QPointer<QWidget> parent = owner ? owner->Widget() : QApplication::activeWindow();
  if (parent) parent = parent->window();
  return parent;
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
  QPointer<QWidget> parent = OwnerWindow(owner);
  const QString shown = Wrappable(tk::Q(text));
  QMessageBox box(QMessageBox::Critical, tk::Q(caption), shown, QMessageBox::Ok, parent);
  // Messages quote what the user typed: "<b>1</b>" is shown as typed, never
  // as a bold 1 (Qt would guess rich text from the tags).
  box.setTextFormat(Qt::PlainText);
  // What is copied from the box (Ctrl+C, or a selection of its text) is the
  // message without the places to wrap, so that a path pasted elsewhere works.
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMetaObject::Connection copied = QObject::connect(clipboard, &QClipboard::dataChanged, &box, [clipboard] {
    const QString copy = clipboard->text();
    if (copy.contains(kBreak)) clipboard->setText(QString(copy).remove(kBreak));
  });
  box.setWindowModality(Qt::ApplicationModal);  // every window waits for the answer
  box.exec();
  QObject::disconnect(copied);
  // Offscreen platforms and some window managers leave no window active.
  if (parent && parent->isVisible()) parent->activateWindow();
}

TQuestionPresenter SetQuestionPresenter(TQuestionPresenter presenter) {
  TQuestionPresenter previous = std::move(Questions());
  Questions() = std::move(presenter);
  return previous;
}

int AskQuestion(const TForm* owner, std::string_view text, std::string_view caption,
                const std::vector<std::string>& choices) {
  const int cancel = static_cast<int>(choices.size()) - 1;
  TMessageBoxRequest request;
  request.owner = owner;
  request.caption = std::string(caption);
  request.text = std::string(text);
  request.error_icon = false;
  request.choices = choices;
  if (const TQuestionPresenter presenter = Questions()) return presenter(request);
  QPointer<QWidget> parent = OwnerWindow(owner);
  QMessageBox box(QMessageBox::Question, tk::Q(caption), tk::Q(text), QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  std::vector<QPushButton*> buttons;
  for (int i = 0; i <= cancel; ++i)
    buttons.push_back(box.addButton(tk::Q(choices[static_cast<std::size_t>(i)]),
                                    i == cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
  if (cancel >= 0) {
    box.setEscapeButton(buttons.back());
    box.setDefaultButton(buttons.back());
  }
  box.exec();
  if (parent && parent->isVisible()) parent->activateWindow();
  for (int i = 0; i <= cancel; ++i)
    if (box.clickedButton() == buttons[static_cast<std::size_t>(i)]) return i;
  return cancel;
}
