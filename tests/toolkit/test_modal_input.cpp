// A modal message box that comes up while the focus moves, with real boxes
// answered from a timer while their own loop runs, and mouse input through
// the window, where a box's modality drops what it blocks. Qt gives the
// focus on the press before delivering it, so the box opens in between.
#include <QApplication>
#include "toolkit/Widgets.h"
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"
#include "toolkit/MessageBox.h"

using namespace zktest;

namespace {

constexpr const char* kBad = "Caracter inválido!";

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

// The mouse comes up while the box is shown (its loop drops the release), or
// stays down until Enter has answered the box. Either way the click runs
// once, after the leave handler, and the button comes up; an ordinary click
// afterwards is one click again.
TEST_F(BoxWhileFocusMoves, ButtonClickRunsOnceAfterTheBox) {
  struct Case {
    const char* button;
    bool released_while_shown;
  };
  for (const Case c : {Case{"Save", true}, Case{"Ok", true}, Case{"Save", false}}) {
    SCOPED_TRACE(std::string(c.button) + (c.released_while_shown ? " released while shown" : " held"));
    BadTextIn("First");
    QPushButton* button = form->Button(c.button)->Qt();
    const std::string click = std::string("click:") + c.button;
    {
      RealBoxes boxes([&] { if (c.released_while_shown) WindowRelease(button); },
                      c.released_while_shown ? RealBoxes::Answer::ClickOk : RealBoxes::Answer::PressEnter);
      WindowPress(button);
      EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
    }
    if (!c.released_while_shown) {
      EXPECT_TRUE(button->isDown());
      EXPECT_EQ(form->log, (Log{"exit:First", "answered"}));
      WindowMove(button, QPoint(3, 3));  // still on the button
      WindowRelease(button, QPoint(3, 3));
    }
    Settle();
    EXPECT_EQ(form->log, (Log{"exit:First", "answered", click}));
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), button);
    form->log.clear();
    WindowPress(button);
    WindowRelease(button);
    EXPECT_EQ(form->log, (Log{click}));
  }
}

// A click into another edit or into the memo: the focus lands there and
// moving the mouse afterwards selects nothing; nothing holds the mouse.
TEST_F(BoxWhileFocusMoves, ClickIntoAnEditOrTheMemoLeavesNoSelection) {
  TMemo* memo = form->Memo("List");
  memo->Add("a second line of the list");
  form->Edit("Word")->SetText("abcdefgh");
  tk::Memo* list = memo->Qt();
  QLineEdit* word = form->Line("Word");
  for (QWidget* target : {static_cast<QWidget*>(word), list->viewport()}) {
    BadTextIn("First");
    {
      RealBoxes boxes([target] { WindowRelease(target, QPoint(4, 6)); });
      WindowPress(target, QPoint(4, 6));
      Settle();
      EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kBad}));
    }
    EXPECT_EQ(QApplication::focusWidget(), target == word ? static_cast<QWidget*>(word) : list);
    WindowMove(target, QPoint(target->width() - 4, target->height() - 4));
    WindowMove(form->Button("Save")->Qt());
    EXPECT_FALSE(word->hasSelectedText());
    EXPECT_FALSE(list->hasSelection());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
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
  Key(Qt::Key_Space);
  WindowPress(save);
  WindowRelease(save);
  EXPECT_EQ(form->log, (Log{"exit:Last", "answered", "click:Save", "click:Save"}));
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
