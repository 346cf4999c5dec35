// Change, loading, enter/leave, initial focus, selection and button rules,
// each driven through real widgets with QTest input.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include "toolkit/Widgets.h"
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"

using namespace zktest;

namespace {

// Records the reasons of the focus-in events a widget receives, as Qt's own
// focus tests do.
class FocusReasons : public QObject {
public:
  explicit FocusReasons(QWidget* widget) { widget->installEventFilter(this); }
  std::vector<Qt::FocusReason> reasons;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) reasons.push_back(static_cast<QFocusEvent*>(event)->reason());
    return false;
  }
};

class EventRules : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TestForm>();
    ASSERT_TRUE(ShowAndActivate(*form));
    ASSERT_EQ(QApplication::focusWidget(), form->Line("First"));
    form->log.clear();
  }
  // Puts the focus on an edit by code (selects all) and forgets the events.
  void FocusQuietly(std::string_view name) {
    form->Edit(name)->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), form->Line(name));
    form->log.clear();
  }
  std::unique_ptr<TestForm> form;
};

// ---- rule 1: change ---------------------------------------------------------

struct EditingAction {
  const char* name;
  const char* start;                  // the edit's text before the action
  std::function<void(QLineEdit*)> prepare;  // caret and selection
  std::function<void()> act;          // the user's action, through the focused widget
  const char* result;
};

void SelectAll(QLineEdit* e) { e->selectAll(); }
void CaretAtEnd(QLineEdit* e) { e->end(false); }

const EditingAction kEditingActions[] = {
    {"OneTypedOverSelectedOne", "1", SelectAll, [] { Type("1"); }, "1"},
    {"TypeAtEnd", "ab", CaretAtEnd, [] { Type("c"); }, "abc"},
    {"Backspace", "abc", CaretAtEnd, [] { Key(Qt::Key_Backspace); }, "ab"},
    {"DeleteSelection", "abc", SelectAll, [] { Key(Qt::Key_Delete); }, ""},
    {"Cut", "abc", SelectAll, [] { Key(Qt::Key_X, Qt::ControlModifier); }, ""},
    {"PasteAtEnd",
     "ab", CaretAtEnd,
     [] {
       QGuiApplication::clipboard()->setText("cd");
       Key(Qt::Key_V, Qt::ControlModifier);
     },
     "abcd"},
    {"PasteSameTextOverSelection",
     "ab", SelectAll,
     [] {
       QGuiApplication::clipboard()->setText("ab");
       Key(Qt::Key_V, Qt::ControlModifier);
     },
     "ab"},
    {"ShiftInsertPaste",
     "", CaretAtEnd,
     [] {
       QGuiApplication::clipboard()->setText("7");
       Key(Qt::Key_Insert, Qt::ShiftModifier);
     },
     "7"},
};

// Each action raises exactly one change event, in the edit without a limit
// and in the one with a limit (whose typing and pasting go another way).
TEST_F(EventRules, EveryEditingActionRaisesOneChange) {
  for (const char* edit_name : {"Word", "First"}) {
    for (const EditingAction& action : kEditingActions) {
      SCOPED_TRACE(std::string(edit_name) + " " + action.name);
      TLabeledEdit* edit = form->Edit(edit_name);
      edit->OnChange = nullptr;
      edit->SetText(action.start);
      FocusQuietly(edit_name);
      form->BindAll();
      action.prepare(edit->Qt());
      action.act();
      EXPECT_EQ(edit->Text(), action.result);
      EXPECT_EQ(form->log, (Log{"change:" + std::string(edit_name) + "=" + action.result}));
    }
  }
}

TEST_F(EventRules, TypingRaisesOneChangePerCharacter) {
  FocusQuietly("Word");
  Type("xyz");
  EXPECT_EQ(form->log, (Log{"change:Word=x", "change:Word=xy", "change:Word=xyz"}));
}

TEST_F(EventRules, UndoIsAnEditingAction) {
  FocusQuietly("Word");
  Type("x");
  form->log.clear();
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(form->log, (Log{"change:Word=abc"}));
}

TEST_F(EventRules, AssigningTheSameTextDoesNothingAtAll) {
  FocusQuietly("Word");
  Type("d");  // something to undo
  QLineEdit* line = form->Line("Word");
  line->setSelection(0, 1);
  form->log.clear();
  form->Edit("Word")->SetText("d");
  EXPECT_TRUE(form->log.empty());
  EXPECT_EQ(line->selectionStart(), 0);
  EXPECT_EQ(line->selectedText(), "d");
  EXPECT_TRUE(line->isUndoAvailable());

  line->setCursorPosition(0);
  form->Edit("Word")->SetText("d");
  EXPECT_EQ(line->cursorPosition(), 0);
  EXPECT_FALSE(line->hasSelectedText());
  EXPECT_TRUE(form->log.empty());
}

TEST_F(EventRules, AssigningADifferentTextRaisesOneChange) {
  form->Edit("Word")->SetText("xyz");
  EXPECT_EQ(form->log, (Log{"change:Word=xyz"}));
  form->Edit("Word")->SetText("");
  EXPECT_EQ(form->log, (Log{"change:Word=xyz", "change:Word="}));
  form->Edit("Word")->SetText("ção");
  EXPECT_EQ(form->log.back(), "change:Word=ção");
  EXPECT_EQ(form->Line("Word")->text(), QString::fromUtf8("ção"));
}

TEST(ChangeBeforeShow, AssignmentRaisesOneChangeBeforeTheWindowIsOnScreen) {
  TestForm form;
  ASSERT_FALSE(form.Widget()->isVisible());
  form.Edit("Number")->SetText("1");
  EXPECT_TRUE(form.log.empty());
  form.Edit("Number")->SetText("2");
  EXPECT_EQ(form.log, (Log{"change:Number=2"}));
}

// A handler that assigns its own edit a new text runs again, nested, before
// the assignment returns; Qt copes and the edit keeps working.
TEST_F(EventRules, HandlerAssigningItsOwnEditRunsNested) {
  TLabeledEdit* edit = form->Edit("Word");
  int depth = 0;
  edit->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, edit);
    form->log.push_back("begin " + std::to_string(depth) + " " + edit->Text());
    ++depth;
    if (edit->Text() == "a") {
      edit->SetText("b");
      form->log.push_back("assigned");
    }
    --depth;
    form->log.push_back("end " + edit->Text());
  };
  FocusQuietly("Word");
  Type("a");
  EXPECT_EQ(form->log, (Log{"begin 0 a", "begin 1 b", "end b", "assigned", "end b"}));
  EXPECT_EQ(edit->Text(), "b");
  EXPECT_EQ(form->Line("Word")->text(), "b");

  form->log.clear();
  edit->SetText("a");  // by code: same nesting
  EXPECT_EQ(form->log, (Log{"begin 0 a", "begin 1 b", "end b", "assigned", "end b"}));

  form->log.clear();
  form->Line("Word")->end(false);
  Type("c");
  EXPECT_EQ(edit->Text(), "bc");
  EXPECT_EQ(form->log, (Log{"begin 0 bc", "end bc"}));
}

// ---- rule 2: loading ----------------------------------------------------------

TEST(Loading, RaisesNothingAndPutsTheTextsInPlace) {
  TestForm form;  // loads, then binds
  EXPECT_TRUE(form.log.empty());
  EXPECT_EQ(form.Edit("First")->Text(), "1");
  EXPECT_EQ(form.Edit("Word")->Text(), "abc");
  EXPECT_EQ(form.Edit("Last")->Text(), "");
  EXPECT_EQ(form.Memo("List")->LineCount(), 1);
  EXPECT_EQ(form.Memo("List")->Line(0), "header");
  EXPECT_EQ(form.Button("Save")->Caption(), "Save");
  EXPECT_EQ(form.Edit("First")->EditLabel()->Caption(), "First:");
  // The creation handler's assignment of the text already there raises nothing.
  form.Edit("Number")->SetText("1");
  EXPECT_TRUE(form.log.empty());
  ASSERT_TRUE(ShowAndActivate(form));
  Settle();
  EXPECT_EQ(form.log, (Log{"enter:First"}));  // the initial focus only
}

// ---- rule 3: enter and leave ----------------------------------------------

TEST_F(EventRules, TabAndBacktabRaiseLeaveThenEnter) {
  FocusReasons reasons(form->Line("Number"));
  Tab();
  EXPECT_EQ(QApplication::focusWidget(), form->Line("Number"));
  EXPECT_EQ(form->log, (Log{"exit:First", "enter:Number"}));
  Tab();
  EXPECT_EQ(form->log, (Log{"exit:First", "enter:Number", "exit:Number", "enter:Word"}));
  form->log.clear();
  Backtab();
  EXPECT_EQ(form->log, (Log{"exit:Word", "enter:Number"}));
  EXPECT_EQ(reasons.reasons, (std::vector{Qt::TabFocusReason, Qt::BacktabFocusReason}));
}

TEST_F(EventRules, TabWalksTheTabSequenceAndWraps) {
  const std::vector<TControl*>& sequence = form->TabSequence();
  std::vector<std::string> names;
  for (TControl* c : sequence) names.push_back(c->Name());
  ASSERT_EQ(names, (std::vector<std::string>{"First", "Number", "Word", "List", "Ok", "Save", "Last"}));
  for (std::size_t i = 1; i <= sequence.size(); ++i) {
    Tab();
    EXPECT_EQ(QApplication::focusWidget(), sequence[i % sequence.size()]->Widget()) << "step " << i;
    EXPECT_EQ(form->ActiveControl(), sequence[i % sequence.size()]);
  }
  for (std::size_t i = sequence.size(); i-- > 0;) {
    Backtab();
    EXPECT_EQ(QApplication::focusWidget(), sequence[i]->Widget()) << "back to " << i;
  }
  // Enter and leave only for the edits, every one in the order walked.
  EXPECT_EQ(form->log.front(), "exit:First");
  EXPECT_EQ(std::count(form->log.begin(), form->log.end(), "enter:Last"), 2);
  EXPECT_EQ(std::count(form->log.begin(), form->log.end(), "exit:Last"), 2);
}

TEST_F(EventRules, ClickRaisesLeaveThenEnterWithMouseReason) {
  FocusReasons reasons(form->Line("Word"));
  Click(form->Line("Word"));
  EXPECT_EQ(QApplication::focusWidget(), form->Line("Word"));
  EXPECT_EQ(form->log, (Log{"exit:First", "enter:Word"}));
  EXPECT_EQ(reasons.reasons, (std::vector{Qt::MouseFocusReason}));
  form->log.clear();
  Click(form->Line("Word"));  // already there: nothing
  EXPECT_TRUE(form->log.empty());
}

// A button takes the focus at the press, so the field's leave handler has
// run (and stored its value) before the click handler.
TEST_F(EventRules, LeaveOfTheFieldRunsBeforeTheButtonsClick) {
  Type("5");
  form->log.clear();
  Click(form->Button("Save")->Qt());
  EXPECT_EQ(form->log, (Log{"exit:First", "click:Save"}));
  EXPECT_EQ(QApplication::focusWidget(), form->Button("Save")->Qt());
  form->log.clear();
  Click(form->Line("Word"));
  Click(form->Button("Ok")->Qt());
  EXPECT_EQ(form->log, (Log{"enter:Word", "exit:Word", "click:Ok"}));
}

TEST_F(EventRules, SwitchingToAnotherWindowAndBackRaisesNothing) {
  QWidget other;
  auto* other_edit = new QLineEdit(&other);
  other.resize(100, 40);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  other_edit->setFocus();
  Type("zz");
  EXPECT_EQ(QApplication::focusWidget(), other_edit);
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  EXPECT_EQ(QApplication::focusWidget(), form->Line("First"));
  EXPECT_TRUE(form->log.empty()) << form->log.front();
  EXPECT_EQ(form->ActiveControl(), form->Edit("First"));
}

TEST_F(EventRules, AnotherFormsControlsRaiseOnlyTheirOwnEvents) {
  TestForm second;
  ASSERT_TRUE(ShowAndActivate(second));
  Tab();
  EXPECT_EQ(second.log, (Log{"enter:First", "exit:First", "enter:Number"}));
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  EXPECT_TRUE(form->log.empty());
  EXPECT_EQ(second.log.size(), 3u);
}

TEST_F(EventRules, ClickingTheArrowsMovesNoFocus) {
  Click(form->Line("Word"));
  form->log.clear();
  TUpDown* spin = form->UpDown("Spin");
  Click(spin->UpArrow());
  EXPECT_EQ(QApplication::focusWidget(), form->Line("Word"));
  EXPECT_EQ(form->log, (Log{"change:Number=2"}));
  Click(spin->DownArrow());
  EXPECT_EQ(form->log, (Log{"change:Number=2", "change:Number=1"}));
  EXPECT_EQ(QApplication::focusWidget(), form->Line("Word"));
}

TEST_F(EventRules, ClickingALabelOrTheGroupMovesNoFocus) {
  Click(form->FindControl("Title")->Widget());
  Click(form->FindControl("Group")->Widget(), QPoint(200, 180));
  Click(form->Edit("Word")->EditLabel()->Widget());
  EXPECT_EQ(QApplication::focusWidget(), form->Line("First"));
  EXPECT_TRUE(form->log.empty());
}

// ---- rule 4: initial focus ---------------------------------------------------

TEST(InitialFocus, FirstTabStopGetsFocusSelectionAndOneEnter) {
  TestForm form;
  ASSERT_EQ(QApplication::focusWidget() == form.Line("First"), false);
  ASSERT_TRUE(ShowAndActivate(form));
  Settle(50);
  EXPECT_EQ(QApplication::focusWidget(), form.Line("First"));
  EXPECT_EQ(form.ActiveControl(), form.Edit("First"));
  EXPECT_EQ(form.log, (Log{"enter:First"}));
  EXPECT_EQ(form.Line("First")->selectedText(), "1");
  EXPECT_EQ(form.Edit("First")->SelLength(), 1);

  // Activated again later: not a first activation.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  form.Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
  EXPECT_EQ(form.log, (Log{"enter:First"}));
}

TEST(InitialFocus, EnterHandlerSeesTheFocusAndTheSelection) {
  TestForm form;
  bool focused = false;
  int selected = -1;
  form.Edit("First")->OnEnter = [&](TObject*) {
    focused = form.Edit("First")->Focused();
    selected = form.Edit("First")->SelLength();
  };
  ASSERT_TRUE(ShowAndActivate(form));
  EXPECT_TRUE(focused);
  EXPECT_EQ(selected, 1);
}

TEST(InitialFocus, GoesIntoAGroupWhenItComesFirst) {
  static constexpr TControlRow rows[] = {
      {"Outside", K::LabeledEdit, nullptr, 8, 240, 80, 21, "x", "Out:", kEditFont, 0, 1},
      {"Box", K::GroupBox, nullptr, 8, 20, 240, 200, "Box", nullptr, kGroupFont, 0, 0},
      {"Inner2", K::LabeledEdit, "Box", 120, 40, 80, 21, "two", "Two:", kEditFont, 0, 1},
      {"Inner1", K::LabeledEdit, "Box", 16, 40, 80, 21, "one", "One:", kEditFont, 0, 0},
  };
  TestForm form(rows);
  ASSERT_TRUE(ShowAndActivate(form));
  EXPECT_EQ(QApplication::focusWidget(), form.Line("Inner1"));
  EXPECT_EQ(form.log, (Log{"enter:Inner1"}));
  EXPECT_EQ(form.Line("Inner1")->selectedText(), "one");
}

// ---- rule 5: selection on entry ------------------------------------------

struct Entry {
  const char* name;
  std::function<void(TestForm&)> enter;  // from "First" into "Number"
};

const Entry kKeyboardEntries[] = {
    {"Tab", [](TestForm&) { Tab(); }},
    {"Backtab", [](TestForm& f) {
       f.Edit("Word")->SetFocus();
       Backtab();
     }},
    {"Code", [](TestForm& f) { f.Edit("Number")->SetFocus(); }},
};

TEST_F(EventRules, KeyboardAndCodeEntrySelectTheWholeText) {
  for (const Entry& entry : kKeyboardEntries) {
    SCOPED_TRACE(entry.name);
    form->Edit("First")->SetFocus();
    form->Edit("Number")->SetText("12345");
    form->Line("Number")->setCursorPosition(2);  // a stale caret must not survive
    entry.enter(*form);
    ASSERT_EQ(QApplication::focusWidget(), form->Line("Number"));
    EXPECT_EQ(form->Line("Number")->selectedText(), "12345");
    EXPECT_EQ(form->Edit("Number")->SelStart(), 0);
    EXPECT_EQ(form->Edit("Number")->SelLength(), 5);
  }
}

TEST_F(EventRules, MouseEntryPutsTheCaretAtTheClick) {
  QLineEdit* line = form->Line("Word");
  form->Edit("Word")->SetText("abcdef");
  line->setCursorPosition(3);
  const QPoint at(line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(), line->height() / 2);
  line->selectAll();
  Click(line, at);
  EXPECT_EQ(QApplication::focusWidget(), line);
  EXPECT_FALSE(line->hasSelectedText());
  EXPECT_EQ(form->Edit("Word")->SelStart(), 3);
  EXPECT_EQ(form->Edit("Word")->SelLength(), 0);
}

TEST_F(EventRules, MemoSelectsNothingOnEntry) {
  form->FindControl("List")->SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), form->Memo("List")->Qt());
  EXPECT_FALSE(form->Memo("List")->Qt()->hasSelection());
  Backtab();
  Tab();
  EXPECT_EQ(QApplication::focusWidget(), form->Memo("List")->Qt());
  EXPECT_FALSE(form->Memo("List")->Qt()->hasSelection());
  Tab();  // Tab leaves the read-only memo instead of being typed into it
  EXPECT_EQ(QApplication::focusWidget(), form->Button("Ok")->Qt());
}

// ---- rule 6: buttons -----------------------------------------------------------

TEST_F(EventRules, EnterAndEscapeInAnEditPressNothing) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    Key(key);
    Key(key, Qt::KeypadModifier);
  }
  EXPECT_TRUE(form->log.empty());
  EXPECT_TRUE(form->Widget()->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), form->Line("First"));
  EXPECT_EQ(form->Edit("First")->Text(), "1");
}

TEST_F(EventRules, NoButtonIsDefault) {
  for (const char* name : {"Ok", "Save"}) {
    EXPECT_FALSE(form->Button(name)->Qt()->isDefault()) << name;
    EXPECT_FALSE(form->Button(name)->Qt()->autoDefault()) << name;
  }
}

struct Press {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

TEST_F(EventRules, SpaceOrEnterPressTheFocusedButton) {
  const Press presses[] = {
      {"Space", Qt::Key_Space, Qt::NoModifier},
      {"Return", Qt::Key_Return, Qt::NoModifier},
      {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier},
  };
  for (const Press& press : presses) {
    SCOPED_TRACE(press.name);
    form->FindControl("Save")->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), form->Button("Save")->Qt());
    form->log.clear();
    Key(press.key, press.modifiers);
    EXPECT_EQ(form->log, (Log{"click:Save"}));
  }
  form->log.clear();
  Key(Qt::Key_Escape);
  EXPECT_TRUE(form->log.empty());
}

TEST_F(EventRules, ClickMethodRunsTheHandler) {
  form->Button("Ok")->Click();
  EXPECT_EQ(form->log, (Log{"click:Ok"}));
}

TEST_F(EventRules, DoubleClickOnTheMemo) {
  DoubleClick(form->Memo("List")->Qt()->viewport(), QPoint(10, 8));
  EXPECT_EQ(std::count(form->log.begin(), form->log.end(), "dblclick:List"), 1);
}

}  // namespace
