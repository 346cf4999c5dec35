// TMemo: a read-only list of lines with a vertical scroll bar.
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);  // a read-only list needs no history, which would only grow
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setTabChangesFocus(true);
  setFocusPolicy(Qt::StrongFocus);
  // Read-only: let the keyboard move the caret so the lines can be read.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseDoubleClickEvent(event);
  if (auto* self = static_cast<TMemo*>(back)) TApplication::Dispatch(self->OnDblClick, self);
}

void Memo::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  keeper_.FocusIn(this, event);
}

void Memo::mousePressEvent(QMouseEvent* event) {
  QPointer<QWidget> guard(this);
  QPlainTextEdit::mousePressEvent(event);
  if (guard) keeper_.PressHandled(viewport(), event);  // the viewport takes the mouse
}

}  // namespace tk

TMemo::TMemo(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::Memo(parent)) {}

QPlainTextEdit* TMemo::Qt() const { return static_cast<QPlainTextEdit*>(widget_); }

void TMemo::Clear() {
  Qt()->clear();
  static_cast<tk::Memo*>(widget_)->lines = 0;
}

// Appends at the end of the document through a cursor: the plain-text layout
// lays out only the new block, so the cost does not grow with the length.
// (QPlainTextEdit::appendPlainText would merge a line into an empty first
// line, so the count is kept here.)
void TMemo::Add(std::string_view line) {
  auto* memo = static_cast<tk::Memo*>(widget_);
  QTextCursor cursor(memo->document());
  cursor.movePosition(QTextCursor::End);
  if (memo->lines > 0) cursor.insertBlock();
  cursor.insertText(tk::Q(line));
  ++memo->lines;
  // Like a list being written to: the newest line comes into view.
  if (memo->isVisible()) memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
}

void TMemo::AddLines(std::string_view lines) {
  auto* memo = static_cast<tk::Memo*>(widget_);
  const auto count = 1 + std::count(lines.begin(), lines.end(), '\n');
  QTextCursor cursor(memo->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  if (memo->lines > 0) cursor.insertBlock();
  cursor.insertText(tk::Q(lines));  // each "\n" starts a new block
  cursor.endEditBlock();
  memo->lines += static_cast<int>(count);
  if (memo->isVisible()) memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
}

int TMemo::LineCount() const { return static_cast<tk::Memo*>(widget_)->lines; }

std::string TMemo::Line(int index) const {
  if (index < 0 || index >= LineCount()) return {};
  return tk::U(Qt()->document()->findBlockByNumber(index).text());
}
