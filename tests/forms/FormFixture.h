#pragma once
// A fresh main window per test, shown and active, with every message box
// recorded instead of shown. Input goes through the focused widget, as a
// user's keystrokes would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "forms/Unit1.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"
#include "tests/support/GuiTest.h"
#include "toolkit/MessageBox.h"

using BoxRecorder = zktest::MessageBoxRecorder;
using RecordedBox = zktest::MessageBoxRecorder::Box;

// Replaces the operating system's thousands separator for one test.
class ScopedGroupSeparator {
public:
  explicit ScopedGroupSeparator(std::string separator) : separator_(std::move(separator)) {
    TUpDown::SetGroupSeparatorForTesting(&separator_);
  }
  ~ScopedGroupSeparator() { TUpDown::SetGroupSeparatorForTesting(nullptr); }

private:
  std::string separator_;
};

inline constexpr const char* kWarning = "Todos os dados relativos aos intervalos foram apagados!";
inline constexpr const char* kInvalid = "Caracter inválido!";

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    Form1 = new TForm1(Application);
    form = Form1;
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }
  void TearDown() override {
    delete Form1;
    Form1 = nullptr;
    form = nullptr;
  }

  static QWidget* Focused() { return QApplication::focusWidget(); }
  static bool HasFocus(TControl* c) { return Focused() == c->Widget(); }

  // Input goes to whatever has the focus, one key at a time.
  static void Type(const char* text) { zktest::Type(QString::fromUtf8(text)); }
  static void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { zktest::Key(key, mods); }
  static void Tab() { Key(Qt::Key_Tab); }
  // Gives the edit the focus with the keyboard (whole text selected), by
  // walking the tab sequence from where the focus is.
  void TabTo(TControl* target) {
    for (int i = 0; i < 40 && !HasFocus(target); ++i) Tab();
    ASSERT_TRUE(HasFocus(target)) << target->Name();
  }
  static void Click(TControl* c) {
    QTest::mouseClick(c->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(c->Width() / 2, c->Height() / 2));
  }
  // Empties the focused edit as a user would: select all, delete.
  static void ClearFocused() {
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_Backspace);
  }

  BoxRecorder recorder;  // made before the window: start-up boxes count too
  TForm1* form = nullptr;
};
