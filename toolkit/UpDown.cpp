// TUpDown: a pair of arrows that steps a 16-bit value and writes it into its
// edit. The arrows never take the focus, so clicking them moves no focus and
// raises no enter or leave event.
#include <QLocale>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <charconv>
#include <optional>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace tk {

UpDown::UpDown(QWidget* parent) : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this)) {
  setFocusPolicy(Qt::NoFocus);
  for (QToolButton* arrow : {up, down}) {
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setAutoRepeat(true);
  }
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
}

void UpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width(), h = height(), top = h / 2;
  up->setGeometry(0, 0, w, top);
  down->setGeometry(0, top, w, h - top);
}

}  // namespace tk

namespace {

std::optional<std::string> g_separator_for_testing;

// A plain integer: an optional "-" and decimal digits, nothing else.
std::optional<int> PlainInteger(const std::string& text) {
  if (text.empty() || text.size() > 7) return std::nullopt;
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

}  // namespace

// A held arrow repeats on a timer, which also fires inside a message box's
// loop, and the box swallows the arrow's release: once a step has opened a
// box (a change handler's), the arrow comes up instead of stepping on behind
// the box and after it.
void TUpDown::ArrowClicked(QToolButton* arrow, int direction) {
  const auto* window = dynamic_cast<const tk::Window*>(widget_->window());
  if (stepping_) {  // the repeat, while the step's box is open
    arrow->setDown(false);
    return;
  }
  const unsigned blocks = window ? window->blocks : 0;
  QPointer<QToolButton> guard(arrow);  // a handler may close the form for good
  stepping_ = true;
  Step(direction);
  if (!guard) return;
  stepping_ = false;
  if (window && window->blocks != blocks) arrow->setDown(false);
}

TUpDown::TUpDown(TForm* form, std::string name, QWidget* parent)
    : TControl(form, std::move(name), new tk::UpDown(parent)) {
  auto* arrows = static_cast<tk::UpDown*>(widget_);
  for (QToolButton* arrow : {arrows->up, arrows->down}) {
    const int direction = arrow == arrows->up ? +1 : -1;
    QObject::connect(arrow, &QToolButton::clicked, arrows, [arrows, arrow, direction] {
      if (auto* self = static_cast<TUpDown*>(arrows->back)) self->ArrowClicked(arrow, direction);
    });
  }
}

QWidget* TUpDown::UpArrow() const { return static_cast<tk::UpDown*>(widget_)->up; }
QWidget* TUpDown::DownArrow() const { return static_cast<tk::UpDown*>(widget_)->down; }

void TUpDown::SetPosition(int16_t v) { position_ = v; }

void TUpDown::SetAssociate(TLabeledEdit* edit) {
  if (associate_) {
    auto* old = static_cast<tk::LineEdit*>(associate_->Widget());
    if (old->updown == this) old->updown = nullptr;
  }
  associate_ = edit;
  if (edit) static_cast<tk::LineEdit*>(edit->Widget())->updown = this;
}

void TUpDown::StepUp() { Step(+1); }
void TUpDown::StepDown() { Step(-1); }

// Up moves towards Max and down towards Min, whichever way round they are.
void TUpDown::Step(int direction) {
  const int lo = std::min<int>(min_, max_), hi = std::max<int>(min_, max_);
  int current = position_;
  if (associate_) {
    const std::string text = associate_->Text();
    if (text == FormatPosition()) {
      current = position_;
    } else if (auto typed = PlainInteger(text); typed && *typed >= lo && *typed <= hi) {
      current = *typed;
    }
  }
  current = std::clamp(current, lo, hi);
  const int target = direction > 0 ? max_ : min_;
  if (current == target) return;  // at the end: no wrap, nothing written
  const int next = current < target ? current + 1 : current - 1;
  position_ = static_cast<int16_t>(next);
  if (associate_) associate_->SetText(FormatPosition());
}

void TUpDown::SetGroupSeparatorForTesting(const std::string* separator) {
  if (separator)
    g_separator_for_testing = *separator;
  else
    g_separator_for_testing.reset();
}

// The system's thousands separator; none where the locale groups no digits
// or names no separator. Qt 6.4 reports "," for the C (POSIX) locale without
// setting OmitGroupSeparator, although that locale has no thousands
// separator, so the C locale is taken as ungrouped by name.
std::string TUpDown::GroupSeparator() {
  if (g_separator_for_testing) return *g_separator_for_testing;
  const QLocale system = QLocale::system();
  if (system.language() == QLocale::C || (system.numberOptions() & QLocale::OmitGroupSeparator)) return {};
  return system.groupSeparator().toStdString();
}

std::string TUpDown::FormatPosition() const {
  const int value = position_;
  const std::string digits = std::to_string(value < 0 ? -value : value);
  const std::string separator = thousands_ ? GroupSeparator() : std::string();
  std::string out = value < 0 ? "-" : "";
  if (separator.empty() || digits.size() <= 3) return out + digits;
  const std::size_t head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out += digits.substr(0, head);
  for (std::size_t i = head; i < digits.size(); i += 3) out += separator + digits.substr(i, 3);
  return out;
}
