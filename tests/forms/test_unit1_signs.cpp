// Signed numbers typed key by key. Fields checked at every keystroke see the
// sign alone first: an unfinished number, left alone like the empty text.

#include "forms/FormFixture.h"

namespace {

using SignedNumbers = MainWindowTest;

TEST_F(SignedNumbers, ASignCanBeTypedFirstInEveryFieldCheckedAtEachKeystroke) {
  struct Row {
    TLabeledEdit* TForm1::*edit;
    double TCaseData::*target;  // nullptr: the field stores nothing while typed
  };
  const Row rows[] = {
      {&TForm1::LabeledEdit5, &TCaseData::base},    {&TForm1::LabeledEdit16, &TCaseData::Zeta0},
      {&TForm1::LabeledEdit17, &TCaseData::Zetat},  {&TForm1::LabeledEdit18, &TCaseData::Zetah},
      {&TForm1::LabeledEdit19, &TCaseData::Gammat}, {&TForm1::LabeledEdit20, &TCaseData::Gammah},
      {&TForm1::LabeledEdit3, nullptr},             {&TForm1::LabeledEdit4, nullptr},
  };
  for (const Row& row : rows) {
    TLabeledEdit* edit = form->*row.edit;
    SCOPED_TRACE(edit->Name());
    TabTo(edit);
    Type("7");
    Key(Qt::Key_A, Qt::ControlModifier);
    Type("-");
    EXPECT_EQ(edit->Text(), "-");
    if (row.target) {
      EXPECT_EQ(form->CaseData.*row.target, 7.0);  // nothing stored yet
    }
    Type("0,5");
    EXPECT_EQ(edit->Text(), "-0,5");
    if (row.target) {
      EXPECT_EQ(form->CaseData.*row.target, -0.5);
    }
    Key(Qt::Key_A, Qt::ControlModifier);
    Type("+2");
    EXPECT_EQ(edit->Text(), "+2");
    if (row.target) {
      EXPECT_EQ(form->CaseData.*row.target, 2.0);
    }
  }
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(SignedNumbers, NegativeDurationAndLoadAreStoredByOk) {
  TabTo(form->LabeledEdit3);
  Type("-1,5");
  Tab();
  Type("-300");
  Click(form->Button3);
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_EQ(form->CaseData.durations[0], -1.5);
  EXPECT_EQ(form->CaseData.loads[0], -300.0);
}

// "OK" with a sign alone does not take it for zero, as it does the empty
// text: the unfinished number is refused and nothing is stored or logged.
TEST_F(SignedNumbers, OkRefusesADurationThatIsOnlyASign) {
  TabTo(form->LabeledEdit3);
  Type("-");
  Tab();
  Type("5");
  form->CaseData.durations[0] = 8;
  Click(form->Button3);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ZORMEK_GUI");
  EXPECT_EQ(recorder.Boxes()[0].text, "'-' is not a valid floating point value.");
  EXPECT_EQ(form->CaseData.durations[0], 8.0);
  EXPECT_EQ(form->CaseData.loads[0], 0.0);
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->LabeledEdit3->Text(), "-");
}

}  // namespace
