// The interval table: count, interval number with its up-down, duration and
// load, "OK" and the memo, driven through the real widgets.

#include "toolkit/Widgets.h"
#include <QSignalSpy>
#include <cmath>

#include "forms/FormFixture.h"

namespace {

std::string MemoLine(const std::string& k, const std::string& duration, const std::string& load) {
  return std::string(6, ' ') + k + std::string(22, ' ') + duration + std::string(22, ' ') + load;
}

using IntervalTable = MainWindowTest;

TEST_F(IntervalTable, StartUpState) {
  EXPECT_TRUE(recorder.Boxes().empty());
  ASSERT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->Memo1->Line(0), TForm1::kMemoHeader);
  EXPECT_EQ(form->LabeledEdit1->Text(), "1");
  EXPECT_EQ(form->LabeledEdit2->Text(), "1");
  EXPECT_TRUE(HasFocus(form->LabeledEdit1));
  EXPECT_EQ(form->LabeledEdit1->Qt()->selectedText(), "1");
  EXPECT_EQ(form->CountFieldEntries(), 1);
  EXPECT_EQ(form->CaseData.N, 1);
  ASSERT_EQ(form->CaseData.durations.size(), 1u);
  EXPECT_EQ(form->CaseData.durations[0], 0.0);
  EXPECT_EQ(form->CaseData.loads[0], 0.0);
}

TEST_F(IntervalTable, UpDownStopsAtOneWithOneInterval) {
  QSignalSpy changes(form->LabeledEdit2->Qt(), &QLineEdit::textChanged);
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  QTest::mouseClick(form->UpDown1->DownArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "1");
  EXPECT_EQ(changes.count(), 0);
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(IntervalTable, TypingACountErasesTheTableAndWarnsOnce) {
  Type("3");
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].text, kWarning);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ATENÇÃO!");
  EXPECT_TRUE(recorder.Boxes()[0].error_icon);
  EXPECT_EQ(recorder.Boxes()[0].owner, form);
  EXPECT_EQ(form->CaseData.N, 3);
  ASSERT_EQ(form->CaseData.durations.size(), 3u);
  ASSERT_EQ(form->CaseData.loads.size(), 3u);
  EXPECT_EQ(form->UpDown1->Max(), 3);
  ASSERT_EQ(form->Memo1->LineCount(), 1);
}

TEST_F(IntervalTable, EveryKeystrokeInTheCountWarnsAgain) {
  Type("12");
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kWarning, kWarning}));
  EXPECT_EQ(form->CaseData.N, 12);
  EXPECT_EQ(form->CaseData.durations.size(), 12u);
}

TEST_F(IntervalTable, EmptiedCountGoesBackToOne) {
  Type("4");
  recorder.Clear();
  Key(Qt::Key_Backspace);
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid, kWarning}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(form->LabeledEdit1->Text(), "1");
  EXPECT_EQ(form->CaseData.N, 1);
  EXPECT_EQ(form->CaseData.durations.size(), 1u);
}

TEST_F(IntervalTable, CountsBelowOneAreRefusedLikeBadText) {
  for (const char* text : {"0", "x"}) {
    SCOPED_TRACE(text);
    TabTo(form->LabeledEdit1);
    recorder.Clear();
    Type(text);
    EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid, kWarning}));
    EXPECT_EQ(form->LabeledEdit1->Text(), "1");
    EXPECT_EQ(form->CaseData.N, 1);
    EXPECT_EQ(form->CaseData.durations.size(), 1u);
    EXPECT_EQ(form->UpDown1->Max(), 1);
    Tab();
  }
}

TEST_F(IntervalTable, StoringIntervalTwoLogsItInTheMemo) {
  Type("3");
  TabTo(form->LabeledEdit2);
  Type("2");
  Tab();
  Type("1,5");
  Tab();
  Type("300");
  Click(form->Button3);
  EXPECT_EQ(form->CaseData.durations[1], 1.5);
  EXPECT_EQ(form->CaseData.loads[1], 300.0);
  EXPECT_EQ(form->CaseData.durations[0], 0.0);
  ASSERT_EQ(form->Memo1->LineCount(), 2);
  EXPECT_EQ(form->Memo1->Line(1), MemoLine("2", "1,5", "300"));
  EXPECT_EQ(form->LabeledEdit2->Text(), "2");  // not advanced
  EXPECT_EQ(recorder.Boxes().size(), 1u);        // only the count's warning
}

TEST_F(IntervalTable, APointInTheDurationFailsAsSoonAsItIsTyped) {
  TabTo(form->LabeledEdit3);
  Type("1.");
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(form->LabeledEdit3->Text(), "0");
}

TEST_F(IntervalTable, EmptyingTheLoadPutsZeroBack) {
  TabTo(form->LabeledEdit4);
  Type("7");
  ClearFocused();
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(form->LabeledEdit4->Text(), "0");
}

TEST_F(IntervalTable, OkWithAnEmptyLoadStoresZero) {
  TabTo(form->LabeledEdit3);
  Type("10");
  form->CaseData.loads[0] = 123;  // shows that "OK" overwrites it
  Click(form->Button3);
  EXPECT_EQ(form->CaseData.durations[0], 10.0);
  EXPECT_EQ(form->CaseData.loads[0], 0.0);
  ASSERT_EQ(form->Memo1->LineCount(), 2);
  EXPECT_EQ(form->Memo1->Line(1), MemoLine("1", "10", ""));
}

TEST_F(IntervalTable, IntervalNumberAboveTheCountWarns) {
  Type("3");
  TabTo(form->LabeledEdit2);
  recorder.Clear();
  Type("5");
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{"Intervalo maior que o número máximo de intervalos!"}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(form->LabeledEdit2->Text(), "5");  // the check refuses nothing
}

TEST_F(IntervalTable, OkNeverStoresOutsideTheTable) {
  Type("3");
  TabTo(form->LabeledEdit2);
  Type("5");
  Tab();
  Type("10");
  Tab();
  Type("20");
  recorder.Clear();
  Click(form->Button3);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_NE(recorder.Boxes()[0].text.find("1 a 3"), std::string::npos) << recorder.Boxes()[0].text;
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(form->CaseData.durations[i], 0.0);
}

TEST_F(IntervalTable, BadIntervalNumberInOkGoesToTheErrorDisplay) {
  TabTo(form->LabeledEdit2);
  ClearFocused();  // the empty text is left to the error display too
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ZORMEK_GUI");
  EXPECT_EQ(recorder.Boxes()[0].text, "'' is not a valid integer value.");
  Tab();
  Type("10");
  recorder.Clear();
  Click(form->Button3);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].text, "'' is not a valid integer value.");
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->CaseData.durations[0], 0.0);
}

TEST_F(IntervalTable, MemoDoubleClickKeepsTheData) {
  TabTo(form->LabeledEdit3);
  Type("10");
  Tab();
  Type("500");
  Click(form->Button3);
  ASSERT_EQ(form->Memo1->LineCount(), 2);
  QTest::mouseDClick(form->Memo1->Qt()->viewport(), Qt::LeftButton);
  ASSERT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->Memo1->Line(0), TForm1::kMemoHeader);
  EXPECT_EQ(form->CaseData.durations[0], 10.0);
  EXPECT_EQ(form->CaseData.loads[0], 500.0);
}

TEST_F(IntervalTable, UpDownStepsToTheCountAndStops) {
  Type("3");
  QSignalSpy changes(form->LabeledEdit2->Qt(), &QLineEdit::textChanged);
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "2");
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "3");
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "3");
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(recorder.Boxes().size(), 1u);
}

TEST_F(IntervalTable, UpDownContinuesFromATypedNumber) {
  Type("3");
  TabTo(form->LabeledEdit2);
  Type("2");
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "3");
  Key(Qt::Key_Down);  // the arrow keys in the edit step too
  EXPECT_EQ(form->LabeledEdit2->Text(), "2");
}

TEST_F(IntervalTable, SteppingPast999UsesTheSystemsThousandsSeparator) {
  ScopedGroupSeparator dot(".");
  Type("1000");
  TabTo(form->LabeledEdit2);
  Type("999");
  recorder.Clear();
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "1.000");
  // The grouped text is not an integer: the check's conversion fails and the
  // error display shows it.
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].text, "'1.000' is not a valid integer value.");
  EXPECT_EQ(recorder.Boxes()[0].caption, "ZORMEK_GUI");
}

TEST_F(IntervalTable, LongTablesKeepTypedNumbersBeyondTheUpDownRange) {
  Type("1000000");
  EXPECT_EQ(form->CaseData.N, 1000000);
  EXPECT_EQ(form->UpDown1->Max(), 32767);
  TabTo(form->LabeledEdit2);
  Type("1000000");
  Tab();
  Type("2,5");
  Tab();
  Type("40");
  Click(form->Button3);
  EXPECT_EQ(form->CaseData.durations[999999], 2.5);
  EXPECT_EQ(form->CaseData.loads[999999], 40.0);
}

TEST_F(IntervalTable, EnterInAnEditPressesNoButton) {
  TabTo(form->LabeledEdit3);
  Type("10");
  Key(Qt::Key_Return);
  Key(Qt::Key_Enter);
  Key(Qt::Key_Escape);
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->CaseData.durations[0], 0.0);
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(IntervalTable, SpaceOnTheFocusedOkButtonStores) {
  TabTo(form->LabeledEdit3);
  Type("10");
  TabTo(form->Button3);
  Key(Qt::Key_Space);
  EXPECT_EQ(form->CaseData.durations[0], 10.0);
  EXPECT_EQ(form->Memo1->LineCount(), 2);
}

}  // namespace
