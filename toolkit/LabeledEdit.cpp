// TLabeledEdit: a single-line edit with its caption label above it.
//
// The length limit is enforced here for the user's input only. Qt's own
// maxLength would also cut a text assigned by code, so Qt's limit is left
// open and every way a user inserts text (typing, Ctrl+V / Shift+Insert,
// the context menu, a middle-click paste of the selection, drag and drop,
// input-method commits) is cut to what still fits before Qt sees it.
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <limits>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {
namespace {

// Whether a key press inserts its text (mirrors Qt's own test for text input).
bool InsertsText(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) return false;
  const QChar c = text.at(0);
  if (c.category() == QChar::Other_Format) return true;
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier)) return false;
  if (c.isPrint()) return true;
  if (c.category() == QChar::Other_PrivateUse) return true;
  return c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate();
}

}  // namespace

LineEdit::LineEdit(QWidget* parent) : QLineEdit(parent) {
  QLineEdit::setMaxLength(std::numeric_limits<int>::max());
  setFocusPolicy(Qt::StrongFocus);
}

int LineEdit::Room() const {
  if (limit <= 0) return std::numeric_limits<int>::max();
  const auto kept = text().size() - selectedText().size();
  return kept >= limit ? 0 : static_cast<int>(limit - kept);
}

void LineEdit::InsertFitting(const QString& text) {
  const QString fits = text.left(Room());
  if (fits.isEmpty() && !hasSelectedText()) return;
  insert(fits);
}

void LineEdit::PasteFitting(QClipboard::Mode mode) {
  if (isReadOnly()) return;
  const QString clip = QGuiApplication::clipboard()->text(mode);
  if (clip.isEmpty() && !hasSelectedText()) return;
  InsertFitting(clip);
}

// Qt 6.4 names none of the context menu's actions; Paste is known by its
// text, which QLineEdit builds as tr("&Paste") and a tab before the shortcut.
QAction* LineEdit::PasteAction(QMenu* menu) {
  const QString paste = QLineEdit::tr("&Paste");
  for (QAction* action : menu->actions())
    if (action->text().section(QLatin1Char('\t'), 0, 0) == paste) return action;
  return nullptr;
}

QMenu* LineEdit::CreateContextMenu() {
  QMenu* menu = createStandardContextMenu();
  if (!menu) return nullptr;
  if (QAction* action = PasteAction(menu)) {
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    QObject::connect(action, &QAction::triggered, this, [this] { PasteFitting(QClipboard::Clipboard); });
  }
  return menu;
}

void LineEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (QMenu* menu = CreateContextMenu()) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
  }
}

void LineEdit::keyPressEvent(QKeyEvent* event) {
  const auto mods = event->modifiers() & ~Qt::KeypadModifier;
  if (updown && mods == Qt::NoModifier && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
    event->accept();
    if (event->key() == Qt::Key_Up)
      updown->StepUp();
    else
      updown->StepDown();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // No default button: Enter in an edit presses nothing, and stops here.
    QLineEdit::keyPressEvent(event);
    event->accept();
    return;
  }
  if (limit > 0) {
    if (event->matches(QKeySequence::Paste)) {
      event->accept();
      PasteFitting(QClipboard::Clipboard);
      return;
    }
    if (!isReadOnly() && InsertsText(event) && event->text().size() > Room()) {
      event->accept();  // refused: no change, no event
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void LineEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (limit > 0 && event->button() == Qt::MiddleButton && !isReadOnly() &&
      QGuiApplication::clipboard()->supportsSelection()) {
    deselect();
    InsertFitting(QGuiApplication::clipboard()->text(QClipboard::Selection));
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

// Files dropped onto an edit of a form that takes files go on to the form
// (the drag climbs to the window), instead of being pasted as their paths.
void LineEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (TakesDroppedFiles(this) && !LocalFiles(event->mimeData()).empty()) {
    event->ignore();
    return;
  }
  QLineEdit::dragEnterEvent(event);
}

void LineEdit::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (limit <= 0 || isReadOnly() || !data || !data->hasText()) {
    QLineEdit::dropEvent(event);
    return;
  }
  const QString str = data->text();
  // A move out of this very edit removes the dragged selection afterwards.
  const bool self_move = event->source() == this && event->dropAction() == Qt::MoveAction;
  const auto kept = text().size() - (self_move ? selectedText().size() : 0);
  const auto room = kept >= limit ? 0 : limit - kept;
  if (str.size() <= room) {
    QLineEdit::dropEvent(event);
    return;
  }
  if (room == 0) {
    event->ignore();
    return;
  }
  QMimeData fitted;
  fitted.setText(str.left(room));
  QDropEvent copy(event->position(), event->possibleActions(), &fitted, event->buttons(),
                  event->modifiers(), event->type());
  copy.setDropAction(event->dropAction());
  QLineEdit::dropEvent(&copy);
  event->setDropAction(copy.dropAction());
  event->setAccepted(copy.isAccepted());
}

void LineEdit::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  if (limit <= 0 || commit.isEmpty()) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  const int room = Room() + std::max(0, event->replacementLength());
  if (commit.size() <= room) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent copy(event->preeditString(), event->attributes());
  copy.setCommitString(commit.left(room), event->replacementStart(), event->replacementLength());
  QLineEdit::inputMethodEvent(&copy);
  event->setAccepted(copy.isAccepted());
}

// Entering by the keyboard, by code or by the window's initial focus selects
// the whole text; a mouse entry leaves the caret to the click, and a return
// from another window or a menu keeps what was there.
void LineEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
      reason != Qt::PopupFocusReason)
    selectAll();
  keeper_.FocusIn(this, event);
}

void LineEdit::mousePressEvent(QMouseEvent* event) {
  QPointer<QWidget> guard(this);
  QLineEdit::mousePressEvent(event);
  if (guard) keeper_.PressHandled(this, event);
}

void LineEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  TLabeledEdit* owner = Owner();
  if (!owner || !owner->EditLabel()) return;
  QWidget* label = owner->EditLabel()->Widget();
  if (event->type() == QEvent::EnabledChange) label->setEnabled(isEnabled());
  if (event->type() == QEvent::FontChange) label->setFont(font());
}

void LineEdit::moveEvent(QMoveEvent* event) {
  QLineEdit::moveEvent(event);
  if (TLabeledEdit* owner = Owner()) owner->PlaceLabel();
}

void LineEdit::setVisible(bool visible) {
  QLineEdit::setVisible(visible);
  if (TLabeledEdit* owner = Owner(); owner && owner->EditLabel())
    owner->EditLabel()->Widget()->setVisible(visible);
}

}  // namespace tk

TLabeledEdit::TLabeledEdit(TForm* form, std::string name, QWidget* parent)
    : TControl(form, name, new tk::LineEdit(parent)) {
  label_ = std::make_unique<TLabel>(form, name + ".EditLabel", parent);
  static_cast<tk::Label*>(label_->Widget())->edit = this;
  auto* edit = static_cast<tk::LineEdit*>(widget_);
  // Qt raises textChanged once per user action and once per assignment of a
  // different text, which is exactly the change rule.
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
    if (TLabeledEdit* self = edit->Owner()) {
      ++self->changes_;
      TApplication::Dispatch(self->OnChange, self);
    }
  });
  PlaceLabel();
}

TLabeledEdit::~TLabeledEdit() {
  if (label_) static_cast<tk::Label*>(label_->Widget())->edit = nullptr;
  auto* edit = static_cast<tk::LineEdit*>(widget_);
  if (edit->updown && edit->updown->Associate() == this) edit->updown->SetAssociate(nullptr);
}

QLineEdit* TLabeledEdit::Qt() const { return static_cast<QLineEdit*>(widget_); }

std::string TLabeledEdit::Text() const { return tk::U(Qt()->text()); }

void TLabeledEdit::SetText(std::string_view text) {
  const QString value = tk::Q(text);
  // QLineEdit::setText of the same text raises nothing but still resets the
  // caret, the selection and the undo history; the same text must change
  // nothing at all.
  if (value == Qt()->text()) return;
  Qt()->setText(value);
}

int TLabeledEdit::MaxLength() const { return static_cast<tk::LineEdit*>(widget_)->limit; }

void TLabeledEdit::SetMaxLength(int characters) {
  static_cast<tk::LineEdit*>(widget_)->limit = characters > 0 ? characters : 0;
}

int TLabeledEdit::SelStart() const {
  return Qt()->hasSelectedText() ? Qt()->selectionStart() : Qt()->cursorPosition();
}

void TLabeledEdit::SetSelStart(int position) { Qt()->setCursorPosition(position); }

int TLabeledEdit::GetTextLen() const { return static_cast<int>(Qt()->text().size()); }

int TLabeledEdit::SelLength() const { return static_cast<int>(Qt()->selectedText().size()); }

void TLabeledEdit::SelectAll() { Qt()->selectAll(); }

void TLabeledEdit::PlaceLabel() {
  if (!label_) return;
  QWidget* label = label_->Widget();
  label->move(widget_->x(), widget_->y() - label->height() - 3);
}
