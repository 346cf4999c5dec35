// Forms: window flags, borders, sizes and places, fonts, layout tables and
// the modal loop.
#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "tests/toolkit/TestForm.h"
#include "toolkit/Widgets.h"

using namespace zktest;

namespace {

TEST(Form, IsAPlainWindowWithoutMaximizeButton) {
  TestForm form;
  QWidget* window = form.Widget();
  EXPECT_TRUE(window->isWindow());
  EXPECT_EQ(qobject_cast<QDialog*>(window), nullptr);
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_EQ(form.Caption(), "Test");
  form.SetCaption("ZORMEK - Parâmetros do Algoritmo");
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("ZORMEK - Parâmetros do Algoritmo"));
  EXPECT_EQ(form.ClientArea()->window(), window);
}

TEST(Form, ExistsWithAllControlsBeforeItIsShown) {
  TestForm form;
  EXPECT_FALSE(form.Widget()->isVisible());
  EXPECT_EQ(form.Controls().size(), std::size(kTestLayout));
  for (const TControlRow& row : kTestLayout) EXPECT_NE(form.FindControl(row.name), nullptr) << row.name;
  EXPECT_EQ(form.FindControl("Nothing"), nullptr);
  EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(Form, SingleBorderIsFixedToTheClientSize) {
  TestForm form;
  form.SetClientSize(555, 729);
  form.SetBorderStyle(TBorderStyle::Single);
  ASSERT_TRUE(ShowAndActivate(form));
  QWidget* window = form.Widget();
  EXPECT_EQ(window->size(), QSize(555, 729));
  EXPECT_EQ(window->minimumSize(), QSize(555, 729));
  EXPECT_EQ(window->maximumSize(), QSize(555, 729));
  window->resize(300, 300);
  EXPECT_EQ(window->size(), QSize(555, 729));
  EXPECT_EQ(form.ClientArea()->size(), QSize(555, 729));
}

// Shrinking a sizeable form shows scroll bars; the controls keep their
// places and sizes.
TEST(Form, SizeableFormScrollsInsteadOfMovingControls) {
  TestForm form;
  form.SetBorderStyle(TBorderStyle::Sizeable);
  form.SetOuterSize(425, 573);
  ASSERT_TRUE(ShowAndActivate(form));
  auto* scroll = qobject_cast<QScrollArea*>(form.ClientArea()->parentWidget()->parentWidget());
  ASSERT_NE(scroll, nullptr);
  TControl* save = form.FindControl("Save");
  const QRect before = save->Widget()->geometry();
  const QSize content = form.ClientArea()->size();
  EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());

  form.Widget()->resize(150, 120);
  Settle();
  EXPECT_EQ(form.Widget()->size(), QSize(150, 120));
  EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
  EXPECT_EQ(save->Widget()->geometry(), before);
  EXPECT_EQ(form.ClientArea()->size(), content);
  // The content is exactly as large as the controls need.
  EXPECT_EQ(content.width(), 340);   // "Last": 260 + 80
  EXPECT_EQ(content.height(), 272);  // "Group": 72 + 200

  scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
  EXPECT_LT(form.ClientArea()->y(), 0);
  EXPECT_EQ(save->Widget()->geometry(), before);
}

TEST(Form, OuterSizeAndFramePosition) {
  TestForm form;
  form.SetOuterSize(425, 573);
  form.SetFramePosition(340, 1);
  ASSERT_TRUE(ShowAndActivate(form));
  EXPECT_EQ(form.OuterWidth(), 425);
  EXPECT_EQ(form.OuterHeight(), 573);
  EXPECT_EQ(form.Left(), 340);
  EXPECT_EQ(form.Top(), 1);
  EXPECT_EQ(form.Widget()->frameGeometry(), QRect(340, 1, 425, 573));
}

struct CenterCase {
  const char* name;
  int owner_left, owner_top, owner_width, owner_height;
  int width, height;
  int left, top;
};

const CenterCase kCenterCases[] = {
    {"MainWindow", 340, 1, 555, 729, 425, 573, 405, 79},
    {"OddDifferenceTruncates", 10, 10, 556, 730, 425, 573, 75, 88},
    {"NegativeHalfTruncatesTowardsZero", 200, 200, 424, 572, 425, 573, 200, 200},
    {"NegativeBecomesZero", 10, 5, 100, 100, 425, 573, 0, 0},
};

TEST(Form, CenterOverUsesOuterSizesAndTruncatedHalves) {
  for (const CenterCase& c : kCenterCases) {
    SCOPED_TRACE(c.name);
    TestForm owner, dialog;
    owner.SetOuterSize(c.owner_width, c.owner_height);
    owner.SetFramePosition(c.owner_left, c.owner_top);
    dialog.SetBorderStyle(TBorderStyle::Sizeable);
    dialog.SetOuterSize(c.width, c.height);
    dialog.CenterOver(owner);
    EXPECT_EQ(dialog.Left(), c.left);
    EXPECT_EQ(dialog.Top(), c.top);
  }
}

// ---- fonts ---------------------------------------------------------------------

struct FontCase {
  TFontDesc font;
  int pixels;
  bool bold;
};

TEST(Fonts, PixelHeightWeightAndNearestSansSerif) {
  const FontCase cases[] = {
      {{"MS Sans Serif", 11, false}, 11, false},
      {{"MS Sans Serif", 13, true}, 13, true},
      {{"Arial", 28, true}, 28, true},
      {{"MS Sans Serif", 10, false}, 10, false},
  };
  TestForm form;
  TControl* label = form.FindControl("Title");
  for (const FontCase& c : cases) {
    SCOPED_TRACE(std::string(c.font.face) + " " + std::to_string(c.pixels));
    label->SetFont(c.font);
    const QFont font = label->Widget()->font();
    EXPECT_EQ(font.pixelSize(), c.pixels);
    EXPECT_EQ(font.bold(), c.bold);
    const QFontInfo info(font);
    EXPECT_EQ(info.pixelSize(), c.pixels);
    EXPECT_EQ(info.bold(), c.bold);
    const QString family = info.family();
    if (!QFontDatabase::hasFamily(c.font.face)) {
      QString expected;
      for (const QString& stand_in : tk::SubstituteFamilies(c.font.face))
        if (expected.isEmpty() && QFontDatabase::hasFamily(stand_in)) expected = stand_in;
      EXPECT_EQ(family, expected);
    }
  }
}

TEST(Fonts, ControlsCarryTheirOwnFontsInsideAGroup) {
  TestForm form;
  EXPECT_EQ(form.FindControl("Group")->Widget()->font().pixelSize(), 13);
  EXPECT_TRUE(form.FindControl("Group")->Widget()->font().bold());
  EXPECT_EQ(form.Line("Number")->font().pixelSize(), 12);
  EXPECT_FALSE(form.Line("Number")->font().bold());
  EXPECT_EQ(form.Edit("Number")->EditLabel()->Widget()->font().pixelSize(), 12);
  // No font entry: the form's font.
  EXPECT_EQ(form.FindControl("Title")->Widget()->font().pixelSize(), 11);
  form.SetFont({"MS Sans Serif", 14, false});
  EXPECT_EQ(form.FindControl("Title")->Widget()->font().pixelSize(), 14);
  EXPECT_EQ(form.Line("Number")->font().pixelSize(), 12);
}

TEST(Fonts, LabelsAreSizedToTheirText) {
  TestForm form;
  auto* title = static_cast<TLabel*>(form.FindControl("Title"));
  EXPECT_EQ(title->Widget()->size(), title->Widget()->sizeHint());
  EXPECT_GE(title->Widget()->height(), QFontMetrics(title->Widget()->font()).height());
  EXPECT_LE(title->Widget()->height(), QFontMetrics(title->Widget()->font()).height() + 2);
  const int width = title->Width();
  title->SetCaption("Test window, a longer one");
  EXPECT_GT(title->Width(), width);
  title->SetFont({"Arial", 28, true});
  EXPECT_EQ(title->Widget()->size(), title->Widget()->sizeHint());
  EXPECT_EQ(title->Left(), 8);
  EXPECT_EQ(title->Top(), 4);
}

// ---- layout tables ------------------------------------------------------------

TEST(Layout, PlacesEveryControlAsTheTableSays) {
  TestForm form;
  for (const TControlRow& row : kTestLayout) {
    SCOPED_TRACE(row.name);
    TControl* control = form.FindControl(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Left(), row.left);
    EXPECT_EQ(control->Top(), row.top);
    if (row.kind != K::Label) {
      EXPECT_EQ(control->Width(), row.width);
      EXPECT_EQ(control->Height(), row.height);
    }
    QWidget* parent = row.parent ? form.FindControl(row.parent)->Widget() : form.ClientArea();
    EXPECT_EQ(control->Widget()->parentWidget(), parent);
    EXPECT_EQ(control->Form(), &form);
  }
  EXPECT_EQ(form.Edit("First")->MaxLength(), 10);
  EXPECT_EQ(form.Edit("Word")->MaxLength(), 0);
  EXPECT_EQ(static_cast<TGroupBox*>(form.FindControl("Group"))->Caption(), "Group");
}

TEST(Layout, ControlsKeepTheTablesOrder) {
  TestForm form;
  ASSERT_EQ(form.Controls().size(), std::size(kTestLayout));
  for (std::size_t i = 0; i < std::size(kTestLayout); ++i)
    EXPECT_EQ(form.Controls()[i]->Name(), kTestLayout[i].name);
}

TEST(Layout, RejectsAnUndeclaredParentAndDuplicates) {
  static constexpr TControlRow orphan[] = {
      {"E", K::LabeledEdit, "Missing", 0, 0, 10, 10, "", "", {}, 0, 0},
  };
  static constexpr TControlRow twice[] = {
      {"E", K::LabeledEdit, nullptr, 0, 20, 10, 10, "", "", {}, 0, 0},
      {"E", K::LabeledEdit, nullptr, 0, 40, 10, 10, "", "", {}, 0, 1},
  };
  TForm form(nullptr);
  EXPECT_THROW(LoadLayout(form, orphan), std::logic_error);
  TForm other(nullptr);
  EXPECT_THROW(LoadLayout(other, twice), std::logic_error);
}

TEST(Layout, TabSequenceEntersContainersWhereTheyStand) {
  static constexpr TControlRow rows[] = {
      {"B", K::GroupBox, nullptr, 0, 100, 100, 80, "B", nullptr, {}, 0, 2},
      {"A", K::GroupBox, nullptr, 0, 0, 100, 80, "A", nullptr, {}, 0, 0},
      {"Mid", K::Button, nullptr, 120, 0, 40, 20, "Mid", nullptr, {}, 0, 1},
      {"B2", K::LabeledEdit, "B", 0, 40, 40, 20, "", "b2", {}, 0, 1},
      {"B1", K::LabeledEdit, "B", 50, 40, 40, 20, "", "b1", {}, 0, 0},
      {"A1", K::Memo, "A", 0, 20, 40, 40, "", nullptr, {}, 0, 0},
      {"Lab", K::Label, "A", 50, 20, 40, 20, "x", nullptr, {}, 0, 1},
      {"A2", K::Button, "A", 50, 40, 40, 20, "a2", nullptr, {}, 0, 2},
      {"NoStop", K::LabeledEdit, nullptr, 120, 40, 40, 20, "", "n", {}, 0, -1},
  };
  TestForm form(rows);
  std::vector<std::string> names;
  for (TControl* c : form.TabSequence()) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"A1", "A2", "Mid", "B1", "B2"}));
  // Qt's focus chain follows it.
  QWidget* w = form.TabSequence().front()->Widget();
  for (std::size_t i = 1; i < form.TabSequence().size(); ++i) {
    do w = w->nextInFocusChain(); while (w->focusPolicy() == Qt::NoFocus || !(w->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(w, form.TabSequence()[i]->Widget()) << i;
  }
}

// ---- the modal loop --------------------------------------------------------------

TEST(Modal, EndsHoweverTheFormIsClosed) {
  enum How { ByClose, ByWindowClose, ByHandler };
  for (How how : {ByClose, ByWindowClose, ByHandler}) {
    SCOPED_TRACE(how);
    TestForm owner;
    ASSERT_TRUE(ShowAndActivate(owner));
    TestForm dialog;
    bool was_modal = false, blocked = false;
    dialog.Button("Save")->OnClick = [&](TObject*) { dialog.Close(); };
    QTimer::singleShot(0, [&] {
      was_modal = dialog.Modal() && dialog.Widget()->windowModality() == Qt::ApplicationModal;
      blocked = QApplication::activeModalWidget() == dialog.Widget();
      switch (how) {
        case ByClose: dialog.Close(); break;
        case ByWindowClose: dialog.Widget()->close(); break;
        case ByHandler: dialog.Button("Save")->Click(); break;
      }
    });
    dialog.ShowModal();
    EXPECT_TRUE(was_modal);
    EXPECT_TRUE(blocked);
    EXPECT_FALSE(dialog.Modal());
    EXPECT_FALSE(dialog.Widget()->isVisible());
    EXPECT_TRUE(owner.Widget()->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(owner.Widget()));
  }
}

TEST(Modal, EscapeAndEnterInAnEditDoNotCloseIt) {
  TestForm dialog;
  bool still_open = false;
  QTimer::singleShot(0, [&] {
    if (!QTest::qWaitForWindowActive(dialog.Widget())) return dialog.Close();
    Key(Qt::Key_Escape);
    Key(Qt::Key_Return);
    still_open = dialog.Widget()->isVisible() && dialog.Modal();
    dialog.Close();
  });
  dialog.ShowModal();
  EXPECT_TRUE(still_open);
  EXPECT_EQ(dialog.log, (Log{"enter:First"}));
}

TEST(Modal, FirstActivationRunsInTheModalForm) {
  TestForm dialog;
  std::string focused;
  QTimer::singleShot(0, [&] {
    if (!QTest::qWaitForWindowActive(dialog.Widget())) ADD_FAILURE() << "dialog not active";
    if (QApplication::focusWidget() == dialog.Line("First")) focused = "First";
    dialog.Close();
  });
  dialog.ShowModal();
  EXPECT_EQ(focused, "First");
  EXPECT_EQ(dialog.log, (Log{"enter:First"}));
}

}  // namespace
