#pragma once
// The algorithm-parameters dialog: shows the solver's nineteen parameters of
// the case record and stores them back on "OK".

#include "toolkit/Toolkit.h"

struct TCaseField;

class TForm2 : public TForm {
public:
  explicit TForm2(TObject* owner);

  // Controls, in declaration order.
  TButton* Button1 = nullptr;
  TLabel* Label1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TLabeledEdit* LabeledEdit1 = nullptr;
  TLabeledEdit* LabeledEdit2 = nullptr;
  TLabeledEdit* LabeledEdit3 = nullptr;
  TLabeledEdit* LabeledEdit4 = nullptr;
  TLabeledEdit* LabeledEdit5 = nullptr;
  TLabeledEdit* LabeledEdit6 = nullptr;
  TLabeledEdit* LabeledEdit7 = nullptr;
  TLabeledEdit* LabeledEdit8 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  TLabeledEdit* LabeledEdit9 = nullptr;
  TLabeledEdit* LabeledEdit10 = nullptr;
  TLabeledEdit* LabeledEdit11 = nullptr;
  TLabeledEdit* LabeledEdit12 = nullptr;
  TGroupBox* GroupBox3 = nullptr;
  TLabeledEdit* LabeledEdit13 = nullptr;
  TGroupBox* GroupBox4 = nullptr;
  TLabeledEdit* LabeledEdit14 = nullptr;
  TLabeledEdit* LabeledEdit15 = nullptr;
  TLabeledEdit* LabeledEdit16 = nullptr;
  TLabeledEdit* LabeledEdit17 = nullptr;
  TLabeledEdit* LabeledEdit18 = nullptr;
  TLabeledEdit* LabeledEdit19 = nullptr;

  void FormCreate(TObject* Sender);
  void Button1Click(TObject* Sender);

  // The edit that shows the n-th parameter in visiting order (1..19).
  TLabeledEdit* ParameterEdit(int n) const;
  // The edit that shows a parameter (CaseFields.h); nullptr for a field
  // that is not one of the nineteen.
  TLabeledEdit* ParameterEdit(const TCaseField& field) const;
};

// The dialog while it is shown; nullptr otherwise.
extern TForm2* Form2;
