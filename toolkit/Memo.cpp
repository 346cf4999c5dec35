// TMemo: a read-only list of lines with a vertical scroll bar.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
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

void Memo::keyPressEvent(QKeyEvent* event) {
  if (auto* self = static_cast<TMemo*>(back)) {
    if (self->OnPaste && event->matches(QKeySequence::Paste)) {
      event->accept();
      TApplication::Dispatch(self->OnPaste, self);
      return;
    }
    if (self->OnCopy && event->matches(QKeySequence::Copy) && !textCursor().hasSelection()) {
      event->accept();
      TApplication::Dispatch(self->OnCopy, self);
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

QMenu* Memo::CreateContextMenu(QPoint pos) {
  QMenu* menu = createStandardContextMenu(pos);
  if (!menu) return nullptr;
  auto* self = static_cast<TMemo*>(back);
  if (!self || self->MenuItems().empty()) return menu;
  menu->addSeparator();
  for (std::size_t i = 0; i < self->MenuItems().size(); ++i) {
    QAction* action = menu->addAction(Q(self->MenuItems()[i].caption));
    // QMenu hides itself before it emits triggered, so a handler that opens
    // a modal box finds no popup in its way. The control may be gone by then.
    QObject::connect(action, &QAction::triggered, this, [this, i] {
      auto* memo = static_cast<TMemo*>(back);
      if (!memo || i >= memo->MenuItems().size()) return;
      const TNotifyEvent handler = memo->MenuItems()[i].OnClick;  // a handler may add entries
      TApplication::Dispatch(handler, memo);
    });
  }
  return menu;
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
  if (QMenu* menu = CreateContextMenu(event->pos())) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
  }
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

void TMemo::AddMenuItem(std::string_view caption, TNotifyEvent handler) {
  menu_items_.push_back({std::string(caption), std::move(handler)});
}
