#include "tests/support/GuiTest.h"

#include <QApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QMimeData>
#include <QUrl>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace zktest {

MessageBoxRecorder::MessageBoxRecorder() {
  previous_ = SetMessageBoxPresenter([this](const TMessageBoxRequest& request) {
    boxes_.push_back({request.owner, request.caption, request.text, request.error_icon, {}});
    if (on_box_) on_box_(boxes_.back());
  });
  previous_questions_ = SetQuestionPresenter([this](const TMessageBoxRequest& request) {
    boxes_.push_back({request.owner, request.caption, request.text, request.error_icon, request.choices});
    if (on_box_) on_box_(boxes_.back());
    return answer_ >= 0 ? answer_ : static_cast<int>(request.choices.size()) - 1;
  });
}

std::vector<std::string> MessageBoxRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const Box& b : boxes_) texts.push_back(b.text);
  return texts;
}

MessageBoxRecorder::~MessageBoxRecorder() {
  SetMessageBoxPresenter(std::move(previous_));
  SetQuestionPresenter(std::move(previous_questions_));
}

RealBoxes::RealBoxes(std::function<void()> while_shown, Answer answer)
    : while_shown_(std::move(while_shown)),
      answer_(answer),
      previous_(SetMessageBoxPresenter({})),
      previous_questions_(SetQuestionPresenter({})) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start(5);
}

RealBoxes::~RealBoxes() {
  SetMessageBoxPresenter(std::move(previous_));
  SetQuestionPresenter(std::move(previous_questions_));
}

std::vector<std::string> RealBoxes::Texts() const {
  std::vector<std::string> texts;
  for (const Box& b : boxes_) texts.push_back(b.text);
  return texts;
}

// The answer runs from a timer of its own: Qt does not re-enter a timer
// whose handler is running, so a box that opens while `while_shown` waits
// is still found by the next poll.
void RealBoxes::Poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible() || answering_.contains(box) || !QTest::qWaitForWindowExposed(box)) return;
  answering_.insert(box);
  const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  Box record{.caption = box->windowTitle().toStdString(),
             .text = box->text().remove(QChar(0x200B)).toStdString(),
             .format = box->textFormat(),
             .label_format = label ? label->textFormat() : Qt::AutoText,
             .critical = box->icon() == QMessageBox::Critical,
             .application_modal = box->windowModality() == Qt::ApplicationModal,
             .frame = box->frameGeometry(),
             .area = box->screen()->availableGeometry(),
             .question = box->icon() == QMessageBox::Question,
             .buttons = {},
             .default_button = {},
             .escape_button = {}};
  QAbstractButton* chosen = nullptr;
  for (QAbstractButton* button : box->buttons()) {
    record.buttons.push_back(button->text().toStdString());
    if (!choose_.empty() && button->text().toStdString() == choose_) chosen = button;
  }
  if (box->defaultButton()) record.default_button = box->defaultButton()->text().toStdString();
  if (box->escapeButton()) record.escape_button = box->escapeButton()->text().toStdString();
  boxes_.push_back(std::move(record));
  QTimer::singleShot(0, box, [this, box, chosen = QPointer<QAbstractButton>(chosen)] {
    if (while_shown_) while_shown_();
    if (chosen)
      QTest::mouseClick(chosen, Qt::LeftButton);
    else if (answer_ == Answer::PressEnter)
      QTest::keyClick(box, Qt::Key_Return);
    else if (QAbstractButton* ok = box->button(QMessageBox::Ok))
      QTest::mouseClick(ok, Qt::LeftButton);
    if (box->isVisible()) box->reject();  // never left hanging
    answering_.remove(box);
  });
}

namespace {
void ThroughWindow(QTest::MouseAction action, QWidget* widget, QPoint at) {
  if (at.isNull()) at = widget->rect().center();
  QWidget* top = widget->window();
  QTest::mouseEvent(action, top->windowHandle(), Qt::LeftButton, Qt::NoModifier, widget->mapTo(top, at));
}
}  // namespace

void WindowPress(QWidget* widget, QPoint at) { ThroughWindow(QTest::MousePress, widget, at); }
void WindowRelease(QWidget* widget, QPoint at) { ThroughWindow(QTest::MouseRelease, widget, at); }

void WindowMove(QWidget* widget, QPoint at) { ThroughWindow(QTest::MouseMove, widget, at); }

bool WaitUntilActive(QWidget* window, int ms) {
  return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, ms);
}

bool ShowAndActivate(TForm& form) {
  form.Show();
  form.Widget()->activateWindow();
  return QTest::qWaitForWindowActive(form.Widget(), 5000);
}

QWidget* Focused() {
  QWidget* widget = QApplication::focusWidget();
  EXPECT_NE(widget, nullptr) << "no widget has the focus";
  return widget;
}

void Type(const QString& text) {
  QWidget* widget = Focused();
  if (!widget) return;
  for (QChar c : text) {
    if (c.unicode() < 0x80)
      QTest::keyClick(widget, c.toLatin1());
    else  // QTest maps ASCII only; a key press carrying the character as its text
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  if (QWidget* widget = Focused()) QTest::keyClick(widget, key, modifiers);
}

void Tab() { Key(Qt::Key_Tab); }
void Backtab() { Key(Qt::Key_Backtab, Qt::ShiftModifier); }

void Click(QWidget* widget, QPoint at) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

void DoubleClick(QWidget* widget, QPoint at) {
  QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

QByteArray FileUri(const std::string& path) {
  return "file://" + QByteArray::fromStdString(path).toPercentEncoding("/");
}

Qt::DropAction DropFiles(QWidget* widget, const std::vector<std::string>& paths, QPoint at) {
  QMimeData data;
  QList<QUrl> urls;
  QStringList texts;
  for (const std::string& p : paths) {
    urls << QUrl::fromEncoded(FileUri(p), QUrl::StrictMode);
    texts << QString::fromStdString(p);
  }
  data.setUrls(urls);
  data.setText(texts.join('\n'));
  return DropMimeData(widget, data, at);
}

Qt::DropAction DropMimeData(QWidget* widget, const QMimeData& data, QPoint at) {
  const QPoint pos = at.isNull() ? widget->rect().center() : at;
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &enter);
  if (!enter.isAccepted()) {
    QDragLeaveEvent leave;
    QApplication::sendEvent(widget, &leave);
    return Qt::IgnoreAction;
  }
  QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
  move.setDropAction(Qt::MoveAction);  // what a file manager proposes by default
  QApplication::sendEvent(widget, &move);
  QDropEvent drop(QPointF(pos), offered, &data, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(widget, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

void Settle(int ms) { QTest::qWait(ms); }

namespace {

// The pixels that the label's text inks, in the label's coordinates, drawn as
// the label draws it (left-aligned in its contents) but on a canvas wide
// enough that nothing is cut. Empty for a label without ink.
QRect Ink(const QLabel& label) {
  const QRect contents = label.contentsRect();
  const QFontMetrics fm(label.font());
  const int width = contents.left() + fm.horizontalAdvance(label.text()) + 4 * fm.height();
  QImage canvas(width, label.height(), QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    painter.setFont(label.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(contents.left(), contents.top(), width - contents.left(), contents.height()),
                     static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter), label.text());
  }
  QRect ink;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (qGray(canvas.pixel(x, y)) < 160) ink |= QRect(x, y, 1, 1);
  return ink;
}

// What a control covers in its parent: a label its text's ink, any other
// control its whole rectangle.
QRect Covered(const QWidget& widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) return Ink(*label).translated(widget.pos());
  return widget.geometry();
}

}  // namespace

std::vector<std::string> LabelsRunningIntoNeighbours(const TForm& form, int gap) {
  std::vector<std::pair<std::string, QWidget*>> widgets;
  for (TControl* c : form.Controls()) {
    widgets.push_back({c->Name(), c->Widget()});
    if (auto* e = dynamic_cast<TLabeledEdit*>(c)) widgets.push_back({c->Name() + ".label", e->EditLabel()->Widget()});
  }
  std::vector<std::string> offences;
  for (const auto& [name, widget] : widgets) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label || label->isHidden() || label->text().isEmpty()) continue;
    const std::string what = name + " \"" + label->text().toStdString() + "\"";
    const QRect ink = Ink(*label);
    if (ink.right() >= label->width())
      offences.push_back(what + ": cut by its label (" + std::to_string(ink.right() + 1) + " of " +
                         std::to_string(label->width()) + " px)");
    const QRect drawn = ink.translated(label->pos());  // in the parent's coordinates
    if (drawn.right() + gap >= label->parentWidget()->width())
      offences.push_back(what + ": the right edge of its parent");
    // Whatever stands to its right on the rows the text covers.
    const QRect row(label->x(), drawn.top(), label->parentWidget()->width(), drawn.height());
    for (const auto& [other_name, other] : widgets) {
      if (other == widget || other->parentWidget() != widget->parentWidget() || other->isHidden()) continue;
      const QRect covered = Covered(*other);
      if (other->x() <= label->x() || !covered.intersects(row)) continue;
      if (drawn.right() + gap >= covered.left())
        offences.push_back(what + " ends at " + std::to_string(drawn.right()) + ": " + other_name + " starts at " +
                           std::to_string(covered.left()));
    }
  }
  return offences;
}

}  // namespace zktest
