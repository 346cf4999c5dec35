// The base-power, plant and loss-formula fields: "." becomes ",", the caret
// ends at the end, and bad texts are answered and reset.

#include <cmath>

#include "forms/FormFixture.h"

namespace {

using ScalarFields = MainWindowTest;

TEST_F(ScalarFields, PointBecomesCommaWhenTheFocusLeaves) {
  TabTo(form->LabeledEdit6);
  Type("1.5");
  EXPECT_EQ(form->LabeledEdit6->Text(), "1.5");  // nothing happens while typing
  EXPECT_EQ(form->CaseData.c0, 0.0);
  // Leave by the mouse, then look at the caret the routine left behind.
  Click(form->LabeledEdit7);
  EXPECT_EQ(form->LabeledEdit6->Text(), "1,5");
  EXPECT_EQ(form->LabeledEdit6->SelStart(), 3);
  EXPECT_EQ(form->CaseData.c0, 1.5);
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(ScalarFields, BasePowerIsConvertedAtEveryKeystroke) {
  TabTo(form->LabeledEdit5);
  Type("2.");
  EXPECT_EQ(form->LabeledEdit5->Text(), "2,");
  EXPECT_EQ(form->CaseData.base, 2.0);
  EXPECT_EQ(form->LabeledEdit5->SelStart(), 2);
  Type("5");
  EXPECT_EQ(form->LabeledEdit5->Text(), "2,5");
  EXPECT_EQ(form->CaseData.base, 2.5);
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(ScalarFields, BadTextInAFocusFieldKeepsTheValueUntilLeftAgain) {
  TabTo(form->LabeledEdit8);
  Type("7");
  Tab();
  ASSERT_EQ(form->CaseData.q, 7.0);
  Key(Qt::Key_Backtab);
  Type("abc");
  Tab();
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(recorder.Boxes()[0].owner, form);
  EXPECT_EQ(form->LabeledEdit8->Text(), "0");
  EXPECT_EQ(form->CaseData.q, 7.0);
  Key(Qt::Key_Backtab);
  Tab();
  EXPECT_EQ(form->CaseData.q, 0.0);
  EXPECT_EQ(recorder.Boxes().size(), 1u);
}

TEST_F(ScalarFields, BadTextInAChangeFieldIsAnsweredAtOnce) {
  TabTo(form->LabeledEdit16);
  Type("3");
  ASSERT_EQ(form->CaseData.Zeta0, 3.0);
  Type("x");
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(form->LabeledEdit16->Text(), "0");
  EXPECT_EQ(form->CaseData.Zeta0, 0.0);
}

TEST_F(ScalarFields, ClearingAFieldShowsNothingAndKeepsTheValue) {
  TabTo(form->LabeledEdit14);
  Type("12");
  Tab();
  ASSERT_EQ(form->CaseData.Vtot, 12.0);
  Key(Qt::Key_Backtab);
  ClearFocused();
  Tab();
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_EQ(form->CaseData.Vtot, 12.0);
  EXPECT_EQ(form->LabeledEdit14->Text(), "");
}

TEST_F(ScalarFields, TwoPointsGiveTwoCommasWhichFail) {
  TabTo(form->LabeledEdit9);
  Type("1.000.5");
  Tab();
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(form->LabeledEdit9->Text(), "0");
  EXPECT_EQ(form->CaseData.Ptmin, 0.0);
}

// A change-bound field reruns itself on every rewrite; a text with thousands
// of points still ends in one message and "0", without exhausting the stack.
TEST_F(ScalarFields, ManyPointsPastedIntoAChangeFieldEndCleanly) {
  TabTo(form->LabeledEdit20);
  form->LabeledEdit20->SetText(std::string(20000, '.'));
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(form->LabeledEdit20->Text(), "0");
  EXPECT_EQ(form->CaseData.Gammah, 0.0);
}

TEST_F(ScalarFields, ValueBeyondADoubleIsRefused) {
  TabTo(form->LabeledEdit17);
  Type("1E40");
  ASSERT_EQ(form->CaseData.Zetat, 1e40);
  Type("0");
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kInvalid}));
  EXPECT_EQ(form->LabeledEdit17->Text(), "0");
  EXPECT_FALSE(std::isinf(form->CaseData.Zetat));
  EXPECT_EQ(form->CaseData.Zetat, 0.0);
}

TEST_F(ScalarFields, EveryFieldFeedsItsOwnTarget) {
  struct Row {
    TLabeledEdit* TForm1::*edit;
    double TCaseData::*target;
  };
  const Row rows[] = {
      {&TForm1::LabeledEdit5, &TCaseData::base},    {&TForm1::LabeledEdit6, &TCaseData::c0},
      {&TForm1::LabeledEdit7, &TCaseData::c},       {&TForm1::LabeledEdit8, &TCaseData::q},
      {&TForm1::LabeledEdit9, &TCaseData::Ptmin},   {&TForm1::LabeledEdit10, &TCaseData::Ptmax},
      {&TForm1::LabeledEdit12, &TCaseData::a0},     {&TForm1::LabeledEdit13, &TCaseData::a1},
      {&TForm1::LabeledEdit14, &TCaseData::Vtot},   {&TForm1::LabeledEdit15, &TCaseData::Phmin},
      {&TForm1::LabeledEdit11, &TCaseData::Phmax},  {&TForm1::LabeledEdit16, &TCaseData::Zeta0},
      {&TForm1::LabeledEdit17, &TCaseData::Zetat},  {&TForm1::LabeledEdit18, &TCaseData::Zetah},
      {&TForm1::LabeledEdit19, &TCaseData::Gammat}, {&TForm1::LabeledEdit20, &TCaseData::Gammah},
  };
  int n = 0;
  for (const Row& row : rows) {
    ++n;
    TLabeledEdit* edit = form->*row.edit;
    SCOPED_TRACE(edit->Name());
    TabTo(edit);
    Type(std::to_string(n).c_str());
    Tab();
    EXPECT_EQ(form->CaseData.*row.target, static_cast<double>(n));
  }
  // Each value landed in its own target only.
  n = 0;
  for (const Row& row : rows) EXPECT_EQ(form->CaseData.*row.target, static_cast<double>(++n));
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(ScalarFields, AFieldIsStoredBeforeGravarActs) {
  double c0_when_saving = -1;
  recorder.OnBox([&](const RecordedBox&) {
    if (c0_when_saving < 0) c0_when_saving = form->CaseData.c0;
  });
  TabTo(form->LabeledEdit6);
  Type("4.5");
  Click(form->Button1);
  EXPECT_EQ(c0_when_saving, 4.5);  // the first refusal of "GRAVAR" saw it
  ASSERT_FALSE(recorder.Boxes().empty());
  EXPECT_EQ(recorder.Boxes()[0].text, "Intervalo não informado!");
}

}  // namespace
