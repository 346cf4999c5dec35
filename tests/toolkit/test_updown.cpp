// The up-down control: 16-bit range, stepping from a typed number, no wrap,
// reversed range, Up/Down keys, thousands grouping.
#include <QApplication>
#include <QLocale>
#include <QToolButton>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"

using namespace zktest;

namespace {

class UpDownRule : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TestForm>();
    ASSERT_TRUE(ShowAndActivate(*form));
    spin = form->UpDown("Spin");
    number = form->Edit("Number");
    ASSERT_EQ(spin->Associate(), number);
    form->log.clear();
  }
  void TearDown() override { TUpDown::SetGroupSeparatorForTesting(nullptr); }
  void Setup(int min, int max, int position, const char* text) {
    number->OnChange = nullptr;
    spin->SetMin(static_cast<int16_t>(min));
    spin->SetMax(static_cast<int16_t>(max));
    spin->SetPosition(static_cast<int16_t>(position));
    number->SetText(text);
    form->BindAll();
    form->log.clear();
  }
  std::unique_ptr<TestForm> form;
  TUpDown* spin = nullptr;
  TLabeledEdit* number = nullptr;
};

enum Step { Up, Down, UpKey, DownKey, UpArrow, DownArrow };

struct StepCase {
  const char* name;
  int min, max, position;
  const char* text;
  std::vector<Step> steps;
  std::vector<std::string> texts;  // the edit's text after each step
  int changes;
  int final_position;
};

const StepCase kStepCases[] = {
    {"UpToTheEndThenNothing", 1, 3, 1, "1", {Up, Up, Up}, {"2", "3", "3"}, 2, 3},
    {"DownAtTheMinimumDoesNothing", 1, 3, 1, "1", {Down}, {"1"}, 0, 1},
    {"StartsFromATypedNumber", 1, 3, 1, "2", {Up}, {"3"}, 1, 3},
    {"TypedNumberOutOfRangeIsIgnored", 1, 3, 1, "7", {Up}, {"2"}, 1, 2},
    {"NonNumberTextIsIgnored", 1, 3, 2, "abc", {Down}, {"1"}, 1, 1},
    {"SignedAndSpacedTextIsNotPlain", 1, 9, 4, " 6", {Up}, {"5"}, 1, 5},
    {"OneToOneMovesNeitherWay", 1, 1, 1, "1", {Up, Down, UpArrow, DownArrow}, {"1", "1", "1", "1"}, 0, 1},
    {"ReversedRangeUpGoesDown", 1, 0, 1, "1", {Up, Up, Down, Down}, {"0", "0", "1", "1"}, 2, 1},
    {"ReversedWideRange", 5, -5, 0, "0", {Up, Up, Down}, {"-1", "-2", "-1"}, 3, -1},
    {"Negatives", -5, 5, -1, "-1", {Down, Down}, {"-2", "-3"}, 2, -3},
    {"TopOfSixteenBits", -32768, 32767, 32767, "32767", {Up, Down}, {"32767", "32766"}, 1, 32766},
    {"BottomOfSixteenBits", -32768, 32767, -32768, "-32768", {Down, Up}, {"-32768", "-32767"}, 1, -32767},
    {"KeysStepTheEdit", 1, 5, 1, "3", {UpKey, UpKey, DownKey}, {"4", "5", "4"}, 3, 4},
    {"ArrowsStepTheEdit", 1, 5, 1, "1", {UpArrow, UpArrow, DownArrow}, {"2", "3", "2"}, 3, 2},
};

TEST_F(UpDownRule, Steps) {
  const std::string none;
  TUpDown::SetGroupSeparatorForTesting(&none);
  for (const StepCase& c : kStepCases) {
    SCOPED_TRACE(c.name);
    number->SetFocus();
    Setup(c.min, c.max, c.position, c.text);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      switch (c.steps[i]) {
        case Up: spin->StepUp(); break;
        case Down: spin->StepDown(); break;
        case UpKey: Key(Qt::Key_Up); break;
        case DownKey: Key(Qt::Key_Down); break;
        case UpArrow: Click(spin->UpArrow()); break;
        case DownArrow: Click(spin->DownArrow()); break;
      }
      EXPECT_EQ(number->Text(), c.texts[i]) << "after step " << i;
    }
    EXPECT_EQ(static_cast<int>(form->log.size()), c.changes);
    EXPECT_EQ(spin->Position(), c.final_position);
  }
}

// Every write is one change event carrying the new text; an end writes nothing.
TEST_F(UpDownRule, EachWriteRaisesOneChange) {
  Setup(1, 3, 1, "1");
  Click(spin->UpArrow());
  Click(spin->UpArrow());
  Click(spin->UpArrow());
  EXPECT_EQ(form->log, (Log{"change:Number=2", "change:Number=3"}));
}

TEST_F(UpDownRule, UpDownKeysStepOnlyTheBoundEdit) {
  Setup(1, 9, 5, "5");
  form->Edit("Word")->SetFocus();
  form->log.clear();
  Key(Qt::Key_Up);
  Key(Qt::Key_Down);
  EXPECT_EQ(number->Text(), "5");
  EXPECT_TRUE(form->log.empty());
  number->SetFocus();
  form->log.clear();
  Key(Qt::Key_Up);
  EXPECT_EQ(form->log, (Log{"change:Number=6"}));
  EXPECT_EQ(QApplication::focusWidget(), number->Qt());
}

TEST_F(UpDownRule, SetPositionWritesNothing) {
  Setup(1, 9, 5, "5");
  spin->SetPosition(8);
  EXPECT_EQ(number->Text(), "5");
  EXPECT_TRUE(form->log.empty());
  EXPECT_EQ(spin->Position(), 8);
  number->SetText("x");
  form->log.clear();
  spin->StepUp();  // from the position: 9
  EXPECT_EQ(number->Text(), "9");
}

TEST_F(UpDownRule, ArrowsAreSmallAndNeverTakeTheFocus) {
  EXPECT_EQ(spin->Width(), 17);
  EXPECT_EQ(spin->Height(), 21);
  EXPECT_EQ(spin->Left(), number->Left() + number->Width());
  for (QWidget* arrow : {spin->UpArrow(), spin->DownArrow()}) {
    EXPECT_EQ(arrow->focusPolicy(), Qt::NoFocus);
    EXPECT_NE(qobject_cast<QToolButton*>(arrow), nullptr);
  }
  EXPECT_EQ(spin->Widget()->focusPolicy(), Qt::NoFocus);
  EXPECT_LT(spin->UpArrow()->y(), spin->DownArrow()->y());
}

struct GroupCase {
  const char* name;
  int min, max, position;
  const char* text;
  Step step;
  const char* separator;
  const char* result;
};

const GroupCase kGroupCases[] = {
    {"From999Up", 1, 5000, 999, "999", Up, ".", "1.000"},
    {"From1000Down", 1, 5000, 1000, "1.000", Down, ".", "999"},
    {"FromOwnGroupedTextOn", 1, 5000, 1000, "1.000", Up, ".", "1.001"},
    {"FiveDigits", 1, 32767, 12344, "12344", Up, ".", "12.345"},
    {"Largest", 1, 32767, 32766, "32766", Up, ".", "32.767"},
    {"NegativeGrouped", -32768, 0, -999, "-999", Down, ".", "-1.000"},
    {"Smallest", -32768, 0, -32767, "-32767", Down, ".", "-32.768"},
    {"OtherSeparator", 1, 5000, 1233, "1233", Up, " ", "1 234"},
    {"MultiByteSeparator", 1, 5000, 1233, "1233", Up, "\u00a0", "1\u00a0234"},
    {"NoSeparatorNoGrouping", 1, 5000, 999, "999", Up, "", "1000"},
    {"BelowAThousandUngrouped", -5000, 5000, -998, "-998", Up, ".", "-997"},
};

TEST_F(UpDownRule, GroupsThousandsWithTheSeparator) {
  for (const GroupCase& c : kGroupCases) {
    SCOPED_TRACE(c.name);
    const std::string separator = c.separator;
    TUpDown::SetGroupSeparatorForTesting(&separator);
    EXPECT_EQ(TUpDown::GroupSeparator(), separator);
    Setup(c.min, c.max, c.position, c.text);
    if (c.step == Up)
      spin->StepUp();
    else
      spin->StepDown();
    EXPECT_EQ(number->Text(), c.result);
    EXPECT_EQ(form->log, (Log{"change:Number=" + std::string(c.result)}));
  }
}

TEST_F(UpDownRule, ThousandsOffWritesPlainDigits) {
  const std::string dot = ".";
  TUpDown::SetGroupSeparatorForTesting(&dot);
  spin->SetThousands(false);
  Setup(1, 5000, 999, "999");
  spin->StepUp();
  EXPECT_EQ(number->Text(), "1000");
}

// The separator comes from the operating system's locale; the C locale
// groups nothing.
TEST_F(UpDownRule, SystemSeparatorFollowsTheLocale) {
  const QLocale system = QLocale::system();
  const bool grouped = system.language() != QLocale::C && !(system.numberOptions() & QLocale::OmitGroupSeparator);
  EXPECT_EQ(TUpDown::GroupSeparator(), grouped ? system.groupSeparator().toStdString() : std::string());
  if (system.language() == QLocale::C) {
    EXPECT_EQ(TUpDown::GroupSeparator(), "");
    Setup(1, 5000, 999, "999");
    spin->StepUp();
    EXPECT_EQ(number->Text(), "1000");
  }
  const std::string dot = ".";
  TUpDown::SetGroupSeparatorForTesting(&dot);
  EXPECT_EQ(TUpDown::GroupSeparator(), ".");
  TUpDown::SetGroupSeparatorForTesting(nullptr);
  EXPECT_EQ(TUpDown::GroupSeparator(), grouped ? system.groupSeparator().toStdString() : std::string());
}

}  // namespace
