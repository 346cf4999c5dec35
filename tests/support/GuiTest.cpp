#include "tests/support/GuiTest.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace zktest {

MessageBoxRecorder::MessageBoxRecorder() {
  previous_ = SetMessageBoxPresenter([this](const TMessageBoxRequest& request) {
    boxes_.push_back({request.owner, request.caption, request.text, request.error_icon});
    if (on_box_) on_box_(boxes_.back());
  });
}

std::vector<std::string> MessageBoxRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const Box& b : boxes_) texts.push_back(b.text);
  return texts;
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxPresenter(std::move(previous_)); }

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

void Settle(int ms) { QTest::qWait(ms); }

}  // namespace zktest
