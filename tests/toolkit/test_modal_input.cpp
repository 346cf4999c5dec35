// A modal message box that comes up while the focus moves: real boxes,
// answered from a timer while their own loop runs, and mouse input through
// the window, where a box's modality drops what it blocks. Qt gives the
// focus on the press before delivering it, so the box opens between the
// press and the release.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"
#include "toolkit/MessageBox.h"

using namespace zktest;

namespace {

constexpr const char* kBad = "Caracter inválido!";

// Which widget each mouse move that reaches the window goes to.
class MoveReceivers : public QObject {
public:
  MoveReceivers() { qApp->installEventFilter(this); }
  std::vector<QObject*> receivers;

protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && object->isWidgetType()) receivers.push_back(object);
    return false;
  }
};

class BoxWhileFocusMoves : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TestForm>();
    ASSERT_TRUE(ShowAndActivate(*form));
  }
  // The edit's leave handler answers with a box, as a field holding bad text
  // does; the focus starts there.
  void BadTextIn(const char* name) {
    form->Edit(name)->OnExit = [this, name](TObject*) {
      form->log.push_back(std::string("exit:") + name);
      ShowMessageBox(form.get(), kBad, "ERRO!");
      form->log.push_back("answered");
    };
    form->Edit(name)->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), form->Line(name));
    form->log.clear();
  }
  std::unique_ptr<TestForm> form;
};

// The release comes while the box is shown, so the box's loop drops it; the
// click still runs once, after the leave handler, and the button comes up.
// An ordinary click afterwards is one click again.
TEST_F(BoxWhileFocusMoves, ButtonClickRunsOnceAfterTheBoxThatAteItsRelease) {
  for (const char* name : {"Save", "Ok"}) {
    SCOPED_TRACE(name);
    BadTextIn("First");
    QPushButton* button = form->Button(name)->Qt();
    {
      RealBoxes boxes([button] { WindowRelease(button); });
      WindowPress(button);
      Settle();
      EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
    }
    const std::string click = std::string("click:") + name;
    EXPECT_EQ(form->log, (Log{"exit:First", "answered", click}));
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(QApplication::focusWidget(), button);
    form->log.clear();
    WindowPress(button);
    WindowRelease(button);
    EXPECT_EQ(form->log, (Log{click}));
  }
}

// The box is answered while the mouse button is still held: nothing is
// clicked until the button comes up, and then exactly once.
TEST_F(BoxWhileFocusMoves, ButtonHeldThroughTheBoxClicksOnceOnRelease) {
  BadTextIn("First");
  QPushButton* save = form->Button("Save")->Qt();
  RealBoxes boxes({}, RealBoxes::Answer::PressEnter);
  WindowPress(save);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
  EXPECT_TRUE(save->isDown());
  EXPECT_EQ(form->log, (Log{"exit:First", "answered"}));
  WindowMove(save, QPoint(3, 3));  // still on the button
  WindowRelease(save, QPoint(3, 3));
  Settle();
  EXPECT_EQ(form->log, (Log{"exit:First", "answered", "click:Save"}));
  EXPECT_FALSE(save->isDown());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// A click into another edit or into the memo: the focus lands there, the
// caret where the click was, and moving the mouse afterwards selects nothing
// and reaches the widget under it, not the one clicked.
TEST_F(BoxWhileFocusMoves, ClickIntoAnEditOrTheMemoLeavesNoSelectionOrHold) {
  TMemo* memo = form->Memo("List");
  memo->Add("a second line of the list");
  struct Target {
    const char* name;
    QWidget* focus;
    QWidget* mouse;  // where the press goes
    std::function<bool()> selected;
  };
  const Target targets[] = {
      {"Word", form->Line("Word"), form->Line("Word"), [this] { return form->Line("Word")->hasSelectedText(); }},
      {"List", memo->Qt(), memo->Qt()->viewport(), [memo] { return memo->Qt()->textCursor().hasSelection(); }},
  };
  for (const Target& t : targets) {
    SCOPED_TRACE(t.name);
    form->Edit("Word")->SetText("abcdefgh");
    BadTextIn("First");
    {
      RealBoxes boxes([&t] { WindowRelease(t.mouse, QPoint(4, 6)); });
      WindowPress(t.mouse, QPoint(4, 6));
      Settle();
      EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
    }
    EXPECT_EQ(QApplication::focusWidget(), t.focus);
    EXPECT_FALSE(t.selected());
    MoveReceivers moves;
    WindowMove(t.mouse, QPoint(t.mouse->width() - 4, t.mouse->height() - 4));
    QWidget* save = form->Button("Save")->Qt();
    WindowMove(save);
    EXPECT_FALSE(t.selected());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ASSERT_FALSE(moves.receivers.empty());
    EXPECT_EQ(moves.receivers.back(), save);
  }
}

// Shift+Tab from the field onto a button: the box comes once, the button is
// not left down, and Space then presses it exactly once.
TEST_F(BoxWhileFocusMoves, KeyboardMoveOntoAButtonLosesAndRepeatsNothing) {
  BadTextIn("Last");  // the tab sequence ends ..., Save, Last
  QPushButton* save = form->Button("Save")->Qt();
  {
    RealBoxes boxes;
    Backtab();
    Settle();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
  }
  EXPECT_EQ(QApplication::focusWidget(), save);
  EXPECT_FALSE(save->isDown());
  EXPECT_EQ(form->log, (Log{"exit:Last", "answered"}));
  Key(Qt::Key_Space);
  EXPECT_EQ(form->log, (Log{"exit:Last", "answered", "click:Save"}));
  WindowPress(save);
  WindowRelease(save);
  EXPECT_EQ(form->log.back(), "click:Save");
  EXPECT_EQ(form->log.size(), 4u);
}

// A held arrow repeats; the first repeat's change opens a box, which the
// user reads for a while and answers after letting go of the mouse. The
// arrow comes up: no further steps behind the box or after it.
TEST_F(BoxWhileFocusMoves, HeldArrowStopsAtTheBoxItsStepOpened) {
  TUpDown* spin = form->UpDown("Spin");
  spin->SetMax(6);
  form->Edit("Number")->OnChange = [this](TObject*) {
    form->log.push_back("change:" + form->Edit("Number")->Text());
    if (form->log.size() <= 3) ShowMessageBox(form.get(), kBad, "ERRO!");  // bounded if it goes wrong
  };
  auto* up = static_cast<QAbstractButton*>(spin->UpArrow());
  form->log.clear();
  bool released = false;
  RealBoxes boxes([&] {
    Settle(400);  // the repeat interval passes several times
    if (!released) WindowRelease(up);
    released = true;
  });
  WindowPress(up);
  Settle(up->autoRepeatDelay() + 5 * up->autoRepeatInterval());
  if (!released) WindowRelease(up);
  Settle(300);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
  EXPECT_EQ(form->log, (Log{"change:2"}));
  EXPECT_FALSE(up->isDown());
}

}  // namespace
