// TMemo: a read-only list of lines with a vertical scroll bar, drawing only
// the lines in view.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "toolkit/Application.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {

namespace {

// Around the text, as a plain-text edit's document margin: left and right
// of every line, above the first line (while it is in view) and below the
// last.
constexpr int kMargin = 4;

int ClampToInt(std::size_t n) { return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n); }

}  // namespace

// One line laid out at the viewport's width: its visual lines stacked from
// y = 0, each with the margin on the left.
struct Memo::Layout {
  QTextLayout text;
  qreal height = 0;
};

Memo::Memo(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  UpdateScrollRange();
}

Memo::~Memo() = default;

QString Memo::LineText(std::size_t line) const {
  std::string text;
  store_.AppendLine(line, text);
  return Q(text);
}

std::unique_ptr<Memo::Layout> Memo::LayOut(std::size_t line) const {
  auto layout = std::make_unique<Layout>();
  QTextLayout& text = layout->text;
  text.setText(LineText(line));
  text.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setTextDirection(layoutDirection());
  text.setTextOption(option);
  text.setCacheEnabled(true);
  qreal width = viewport()->width() - 2 * kMargin;
  if (width <= 0) width = INT_MAX;  // not laid out yet: no wrapping
  qreal height = 0;
  text.beginLayout();
  for (QTextLine visual = text.createLine(); visual.isValid(); visual = text.createLine()) {
    visual.setLeadingIncluded(true);
    visual.setLineWidth(width);
    visual.setPosition(QPointF(kMargin, height));
    height += visual.height();
    if (visual.leading() < 0) height += std::ceil(visual.leading());
  }
  text.endLayout();
  layout->height = height;
  return layout;
}

std::size_t Memo::TopLine() const { return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value())); }

// The scroll bar counts lines; its end shows the last lines that fit whole.
void Memo::UpdateScrollRange() {
  const std::size_t count = store_.Count();
  const qreal visible = viewport()->height() - kMargin - 1;
  std::size_t fit = 0;
  qreal height = 0;
  for (std::size_t line = count; line > 0; --line) {
    height += LayOut(line - 1)->height;
    if (height > visible) break;
    ++fit;
  }
  lines_in_view_ = std::max(1, ClampToInt(fit));
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, ClampToInt(count > fit ? count - fit : 0));
  bar->setPageStep(lines_in_view_);
}

void Memo::LinesAdded() {
  UpdateScrollRange();
  // Like a list being written to: the newest line comes into view.
  if (isVisible()) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

void Memo::LinesCleared() {
  caret_ = anchor_ = Position{};
  selecting_ = false;
  verticalScrollBar()->setValue(0);
  UpdateScrollRange();
  viewport()->update();
}

bool Memo::hasSelection() const { return caret_ != anchor_; }

QString Memo::selectedText() const {
  if (!hasSelection()) return {};
  const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
  QString text;
  for (std::size_t line = from.line; line <= to.line; ++line) {
    const QString whole = LineText(line);
    const int start = line == from.line ? std::min<int>(from.column, static_cast<int>(whole.size())) : 0;
    const int end = line == to.line ? std::min<int>(to.column, static_cast<int>(whole.size())) : static_cast<int>(whole.size());
    text += QStringView(whole).mid(start, end - start);
    if (line != to.line) text += QLatin1Char('\n');
  }
  return text;
}

QString Memo::toPlainText() const {
  std::string text;
  for (std::size_t line = 0; line < store_.Count(); ++line) {
    if (line > 0) text += '\n';
    store_.AppendLine(line, text);
  }
  return Q(text);
}

void Memo::selectAll() {
  const std::size_t count = store_.Count();
  if (count == 0) return;
  anchor_ = Position{};
  caret_ = Position{count - 1, static_cast<int>(LineText(count - 1).size())};
  viewport()->update();
}

void Memo::copy() const {
  if (hasSelection()) QGuiApplication::clipboard()->setText(selectedText());
}

Memo::Position Memo::HitTest(QPoint at) const {
  const std::size_t count = store_.Count();
  if (count == 0) return {};
  std::size_t line = TopLine();
  qreal y = line == 0 ? kMargin : 0;
  for (;; ++line) {
    const std::unique_ptr<Layout> layout = LayOut(line);
    if (at.y() < y + layout->height || line + 1 == count) {
      const qreal within = at.y() - y;
      QTextLine visual = layout->text.lineAt(0);
      for (int i = 1; i < layout->text.lineCount() && within >= layout->text.lineAt(i).y(); ++i)
        visual = layout->text.lineAt(i);
      return {line, visual.xToCursor(at.x())};
    }
    y += layout->height;
  }
}

void Memo::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  QRect clip = event->rect();
  clip.setRight(std::min(clip.right(), viewport()->width() - kMargin));  // the right margin stays clean
  painter.setClipRect(clip);
  painter.setPen(palette().text().color());

  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  QTextCharFormat selected;
  selected.setBackground(palette().brush(group, QPalette::Highlight));
  selected.setForeground(palette().brush(group, QPalette::HighlightedText));
  const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);

  const std::size_t count = store_.Count();
  std::size_t line = TopLine();
  qreal y = line == 0 ? kMargin : 0;
  for (; line < count && y <= viewport()->height(); ++line) {
    const std::unique_ptr<Layout> layout = LayOut(line);
    if (y + layout->height >= clip.top() && y <= clip.bottom()) {
      QList<QTextLayout::FormatRange> selections;
      if (from != to && line >= from.line && line <= to.line) {
        // A selection that goes on past the line takes its end with it, as
        // a paragraph's separator is taken in a text edit; one that comes
        // from a line above starts before this one (QTextLayout then selects
        // whole visual lines by their text's extent, as the text edit does).
        const int length = static_cast<int>(layout->text.text().size());
        const int start = line == from.line ? from.column : -1;
        const int end = line == to.line ? to.column : length + 1;
        if (end > start) selections.append({start, end - start, selected});
      }
      layout->text.draw(&painter, QPointF(0, y), selections, clip);
      if (blink_on_ && hasFocus() && caret_.line == line) layout->text.drawCursor(&painter, QPointF(0, y), caret_.column, 1);
    }
    y += layout->height;
  }
}

void Memo::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void Memo::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange) {
    UpdateScrollRange();
    viewport()->update();
  }
}

void Memo::scrollContentsBy(int, int) { viewport()->update(); }

// The caret blinks while the memo has the focus, as in a text edit.
void Memo::RestartBlink() {
  blink_on_ = hasFocus();
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash >= 2)
    blink_.start(flash / 2, this);
  else
    blink_.stop();
  viewport()->update();
}

void Memo::timerEvent(QTimerEvent* event) {
  if (event->timerId() != blink_.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  blink_on_ = !blink_on_;
  viewport()->update();
}

// Scrolls by whole lines until the caret's visual line is in view.
void Memo::EnsureCaretVisible() {
  QScrollBar* bar = verticalScrollBar();
  std::size_t top = TopLine();
  if (caret_.line < top) {
    bar->setValue(ClampToInt(caret_.line));
    return;
  }
  const std::unique_ptr<Layout> layout = LayOut(caret_.line);
  const QTextLine visual = layout->text.lineForTextPosition(caret_.column);
  const qreal bottom = visual.isValid() ? visual.y() + visual.height() : layout->height;
  const qreal visible = viewport()->height();
  // From the caret's line up: the lines above it that fit over its visual line.
  qreal y = (top == 0 ? kMargin : 0);
  for (std::size_t line = top; line < caret_.line && y + bottom <= visible; ++line) y += LayOut(line)->height;
  if (y + bottom <= visible) return;
  std::size_t first = caret_.line;
  qreal height = bottom;
  while (first > top) {
    const qreal above = LayOut(first - 1)->height;
    if (height + above > visible) break;
    height += above;
    --first;
  }
  if (first > top) bar->setValue(ClampToInt(first));
}

void Memo::MoveCaret(Position to, bool keep_anchor) {
  caret_ = to;
  if (!keep_anchor) anchor_ = to;
  EnsureCaretVisible();
  RestartBlink();
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (auto* self = static_cast<TMemo*>(back)) TApplication::Dispatch(self->OnDblClick, self);
}

void Memo::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  keeper_.FocusIn(this, event);
}

void Memo::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  selecting_ = false;
  RestartBlink();
}

void Memo::mousePressEvent(QMouseEvent* event) {
  QPointer<QWidget> guard(this);
  if (event->button() == Qt::LeftButton) {
    MoveCaret(HitTest(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    selecting_ = true;
  }
  event->accept();
  if (guard) keeper_.PressHandled(viewport(), event);  // the viewport takes the mouse
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
  // Dragging past the top or the bottom scrolls a line at a time.
  const QPoint at = event->position().toPoint();
  QScrollBar* bar = verticalScrollBar();
  if (at.y() < 0) bar->setValue(bar->value() - 1);
  if (at.y() >= viewport()->height()) bar->setValue(bar->value() + 1);
  caret_ = HitTest(QPoint(at.x(), std::clamp(at.y(), 0, std::max(0, viewport()->height() - 1))));
  viewport()->update();
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) selecting_ = false;
}

void Memo::keyPressEvent(QKeyEvent* event) {
  if (auto* self = static_cast<TMemo*>(back)) {
    if (self->OnPaste && event->matches(QKeySequence::Paste)) {
      event->accept();
      TApplication::Dispatch(self->OnPaste, self);
      return;
    }
    if (self->OnCopy && event->matches(QKeySequence::Copy) && !hasSelection()) {
      event->accept();
      TApplication::Dispatch(self->OnCopy, self);
      return;
    }
  }
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  const std::size_t count = store_.Count();
  if (count == 0) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool control = event->modifiers() & Qt::ControlModifier;
  std::unique_ptr<Layout> layout = LayOut(caret_.line);
  const int length = static_cast<int>(layout->text.text().size());
  const QTextLine visual = layout->text.lineForTextPosition(std::min(caret_.column, length));
  const qreal x = visual.isValid() ? visual.cursorToX(caret_.column) : 0;
  // The same x on the line's first or last visual line.
  auto at_x = [this, x](std::size_t line, bool last) {
    const std::unique_ptr<Layout> l = LayOut(line);
    return Position{line, l->text.lineAt(last ? l->text.lineCount() - 1 : 0).xToCursor(x)};
  };
  Position to = caret_;
  switch (event->key()) {
    case Qt::Key_Left:
      if (caret_.column > 0)
        to.column = layout->text.previousCursorPosition(caret_.column);
      else if (caret_.line > 0)
        to = {caret_.line - 1, static_cast<int>(LineText(caret_.line - 1).size())};
      break;
    case Qt::Key_Right:
      if (caret_.column < length)
        to.column = layout->text.nextCursorPosition(caret_.column);
      else if (caret_.line + 1 < count)
        to = {caret_.line + 1, 0};
      break;
    case Qt::Key_Up:
      if (visual.isValid() && visual.lineNumber() > 0)
        to.column = layout->text.lineAt(visual.lineNumber() - 1).xToCursor(x);
      else if (caret_.line > 0)
        to = at_x(caret_.line - 1, true);
      break;
    case Qt::Key_Down:
      if (visual.isValid() && visual.lineNumber() + 1 < layout->text.lineCount())
        to.column = layout->text.lineAt(visual.lineNumber() + 1).xToCursor(x);
      else if (caret_.line + 1 < count)
        to = at_x(caret_.line + 1, false);
      break;
    case Qt::Key_PageUp:
      to = at_x(caret_.line > static_cast<std::size_t>(lines_in_view_) ? caret_.line - lines_in_view_ : 0, false);
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      to = at_x(std::min(count - 1, caret_.line + static_cast<std::size_t>(lines_in_view_)), false);
      verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case Qt::Key_Home:
      to = control ? Position{} : Position{caret_.line, visual.isValid() ? visual.textStart() : 0};
      break;
    case Qt::Key_End:
      if (control) {
        to = {count - 1, static_cast<int>(LineText(count - 1).size())};
      } else if (visual.isValid()) {
        // A wrapped visual line ends before the blank it broke at.
        const bool last = visual.lineNumber() + 1 == layout->text.lineCount();
        to.column = visual.textStart() + visual.textLength() - (last || visual.textLength() == 0 ? 0 : 1);
      }
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
  MoveCaret(to, shift);
}

QMenu* Memo::createStandardContextMenu() {
  auto* menu = new QMenu(this);
  // Qt's own texts, in the translation a text edit shows.
  auto text = [](const char* source, QKeySequence::StandardKey key) {
    return QCoreApplication::translate("QWidgetTextControl", source) + QLatin1Char('\t') +
           QKeySequence(key).toString(QKeySequence::NativeText);
  };
  QAction* copy_action = menu->addAction(text("&Copy", QKeySequence::Copy), this, [this] { copy(); });
  copy_action->setEnabled(hasSelection());
  menu->addSeparator();
  QAction* all = menu->addAction(text("Select All", QKeySequence::SelectAll), this, [this] { selectAll(); });
  all->setEnabled(store_.Count() > 0);
  return menu;
}

QMenu* Memo::CreateContextMenu(QPoint) {
  QMenu* menu = createStandardContextMenu();
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

tk::Memo* TMemo::Qt() const { return static_cast<tk::Memo*>(widget_); }

void TMemo::Clear() {
  Qt()->Store().Clear();
  Qt()->LinesCleared();
}

void TMemo::Add(std::string_view line) {
  Qt()->Store().Add(line);
  Qt()->LinesAdded();
}

void TMemo::AddLines(std::string_view lines) {
  Qt()->Store().AddLines(lines);
  Qt()->LinesAdded();
}

void TMemo::AddBlock(std::shared_ptr<const TMemoLines> lines) {
  Qt()->Store().AddBlock(std::move(lines));
  Qt()->LinesAdded();
}

int TMemo::LineCount() const { return static_cast<int>(std::min<std::size_t>(Qt()->Store().Count(), INT_MAX)); }

std::string TMemo::Line(int index) const {
  if (index < 0) return {};
  return Qt()->Store().Line(static_cast<std::size_t>(index));
}

void TMemo::AddMenuItem(std::string_view caption, TNotifyEvent handler) {
  menu_items_.push_back({std::string(caption), std::move(handler)});
}
