// The labelled edit: length limit for user input only, the caption label.
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <functional>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"
#include "toolkit/Widgets.h"

using namespace zktest;

namespace {

class LengthLimit : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TestForm>();
    ASSERT_TRUE(ShowAndActivate(*form));
    edit = form->Edit("Last");  // limit 5
    ASSERT_EQ(edit->MaxLength(), 5);
    line = edit->Qt();
  }
  void Start(const char* text, int caret = -1) {
    edit->OnChange = nullptr;
    edit->SetText(text);
    edit->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), line);
    if (caret >= 0)
      line->setCursorPosition(caret);
    else
      line->selectAll();
    form->BindAll();
    form->log.clear();
  }
  int Changes() const {
    return static_cast<int>(std::count_if(form->log.begin(), form->log.end(),
                                          [](const std::string& e) { return e.rfind("change:", 0) == 0; }));
  }
  tk::LineEdit* Widget() const { return static_cast<tk::LineEdit*>(line); }
  std::unique_ptr<TestForm> form;
  TLabeledEdit* edit = nullptr;
  QLineEdit* line = nullptr;
};

void Drop(QWidget* target, const QString& text) {
  QMimeData data;
  data.setText(text);
  const QPoint at(target->width() - 4, target->height() / 2);
  // As a real drag does it: enter, move, drop.
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

void Commit(QWidget* target, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QApplication::sendEvent(target, &event);
}

struct LimitCase {
  const char* name;
  const char* start;
  int caret;  // -1: all selected (as entered by code)
  std::function<void(QWidget* line)> act;
  const char* result;
  int changes;
};

void Paste(const char* clip, Qt::Key key, Qt::KeyboardModifiers mods) {
  QGuiApplication::clipboard()->setText(clip);
  Key(key, mods);
}

const LimitCase kLimitCases[] = {
    {"TypedBeyondIsRefused", "", 0, [](QWidget*) { Type("abcdefg"); }, "abcde", 5},
    {"TypedIntoFullIsRefused", "abcde", 5, [](QWidget*) { Type("f"); }, "abcde", 0},
    {"TypedOverSelectionFits", "abcde", -1, [](QWidget*) { Type("x"); }, "x", 1},
    {"CtrlVInsertsWhatFits", "abc", 3, [](QWidget*) { Paste("xyz", Qt::Key_V, Qt::ControlModifier); }, "abcxy", 1},
    {"ShiftInsertInsertsWhatFits", "", 0, [](QWidget*) { Paste("123456789", Qt::Key_Insert, Qt::ShiftModifier); },
     "12345", 1},
    {"PasteInMiddleKeepsTheRest", "abcd", 1, [](QWidget*) { Paste("XYZ", Qt::Key_V, Qt::ControlModifier); },
     "aXbcd", 1},
    {"PasteIntoFullChangesNothing", "abcde", 2, [](QWidget*) { Paste("z", Qt::Key_V, Qt::ControlModifier); },
     "abcde", 0},
    {"PasteOverSelection", "abcde", -1, [](QWidget*) { Paste("1234567", Qt::Key_V, Qt::ControlModifier); },
     "12345", 1},
    {"ContextMenuPaste", "ab", 2,
     [](QWidget* w) {
       QGuiApplication::clipboard()->setText("cdefgh");
       std::unique_ptr<QMenu> menu(static_cast<tk::LineEdit*>(w)->CreateContextMenu());
       QAction* paste = tk::LineEdit::PasteAction(menu.get());
       ASSERT_NE(paste, nullptr);
       paste->trigger();
     },
     "abcde", 1},
    {"DropInsertsWhatFits", "ab", 2, [](QWidget* w) { Drop(w, "cdefgh"); }, "abcde", 1},
    {"DropIntoFullIsRefused", "abcde", 5, [](QWidget* w) { Drop(w, "f"); }, "abcde", 0},
    {"InputMethodCommitIsCut", "a", 1, [](QWidget* w) { Commit(w, QString::fromUtf8("ãõçéíú")); }, "aãõçé", 1},
    {"DeletingIsNotLimited", "abcde", 5, [](QWidget*) { Key(Qt::Key_Backspace); }, "abcd", 1},
};

TEST_F(LengthLimit, RefusesTypedAndPastedCharactersBeyondIt) {
  for (const LimitCase& c : kLimitCases) {
    SCOPED_TRACE(c.name);
    Start(c.start, c.caret);
    c.act(line);
    EXPECT_EQ(edit->Text(), c.result);
    EXPECT_EQ(Changes(), c.changes);
  }
}

// The middle-click paste of the selection needs X11's selection: the X11
// test (tests/x11) clicks it with the X server's own middle button.

TEST_F(LengthLimit, TextAssignedByCodeIsNeverCut) {
  Start("");
  edit->SetText("abcdefghij");
  EXPECT_EQ(edit->Text(), "abcdefghij");
  EXPECT_EQ(form->log, (Log{"change:Last=abcdefghij"}));
  line->end(false);
  form->log.clear();
  Type("k");  // still full: refused
  EXPECT_EQ(edit->Text(), "abcdefghij");
  EXPECT_TRUE(form->log.empty());
  // Qt's own limit stays out of the way, even for a very long text.
  const std::string long_text(40000, 'q');
  edit->SetText(long_text);
  EXPECT_EQ(edit->Text(), long_text);
}

TEST_F(LengthLimit, ChangingTheLimitNeverCuts) {
  Start("abcdef");
  edit->SetMaxLength(3);
  EXPECT_EQ(edit->Text(), "abcdef");
  edit->SetMaxLength(0);
  EXPECT_EQ(edit->MaxLength(), 0);
  line->end(false);
  Type("gh");
  EXPECT_EQ(edit->Text(), "abcdefgh");
}

TEST_F(LengthLimit, CountsCharactersNotBytes) {
  Start("");
  Type(QString::fromUtf8("çãõéíúâ"));
  EXPECT_EQ(edit->Text(), "çãõéí");
  EXPECT_EQ(Changes(), 5);
}

// ---- the caption label ---------------------------------------------------------

TEST(EditLabel, StandsThreePixelsAboveTheEditAndFollowsIt) {
  TestForm form;
  for (TControl* control : form.Controls()) {
    auto* edit = dynamic_cast<TLabeledEdit*>(control);
    if (!edit) continue;
    SCOPED_TRACE(edit->Name());
    QWidget* label = edit->EditLabel()->Widget();
    EXPECT_EQ(label->parentWidget(), edit->Widget()->parentWidget());
    EXPECT_EQ(label->x(), edit->Left());
    EXPECT_EQ(label->y() + label->height() + 3, edit->Top());
    EXPECT_EQ(label->font(), edit->Widget()->font());
    EXPECT_EQ(label->size(), label->sizeHint());  // sized to its text
  }
  TLabeledEdit* edit = form.Edit("Word");
  QWidget* label = edit->EditLabel()->Widget();
  edit->SetBounds(30, 90, 60, 21);
  EXPECT_EQ(label->pos(), QPoint(30, 90 - label->height() - 3));
  const int narrow = label->width();
  edit->EditLabel()->SetCaption("A much longer caption:");
  EXPECT_GT(label->width(), narrow);
  EXPECT_EQ(label->y() + label->height() + 3, edit->Top());
  edit->SetFont({"Arial", 20, true});
  EXPECT_EQ(label->font().pixelSize(), 20);
  EXPECT_EQ(label->y() + label->height() + 3, edit->Top());
}

TEST(EditLabel, IsShownHiddenEnabledAndDisabledWithTheEdit) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TLabeledEdit* edit = form.Edit("Word");
  QWidget* label = edit->EditLabel()->Widget();
  EXPECT_TRUE(label->isVisible());
  edit->Widget()->hide();
  EXPECT_FALSE(label->isVisible());
  edit->Widget()->show();
  EXPECT_TRUE(label->isVisible());
  edit->Widget()->setEnabled(false);
  EXPECT_FALSE(label->isEnabled());
  edit->Widget()->setEnabled(true);
  EXPECT_TRUE(label->isEnabled());
}

TEST(EditText, SelectionAccessorsCountCharacters) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TLabeledEdit* edit = form.Edit("Word");
  edit->SetText("ação1");
  edit->SetSelStart(3);
  EXPECT_EQ(edit->SelStart(), 3);
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SelectAll();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 5);
  edit->Qt()->setSelection(4, -2);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 2);
}

}  // namespace
