#include "forms/Unit2.h"

#include <cstdint>
#include <span>

#include "case/CaseData.h"
#include "case/CaseFields.h"
#include "toolkit/WindowText.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/Layout.h"

TForm2* Form2 = nullptr;

namespace {

constexpr TFontDesc kWindowFont{"MS Sans Serif", 11, false};
constexpr TFontDesc kGroupFont{"MS Sans Serif", 13, true};
constexpr TFontDesc kEditFont{"MS Sans Serif", 11, false};

using K = TControlKind;

// name, kind, parent, left, top, width, height, text, label, font, max, tab.
// The edits' texts are filled by FormCreate.
constexpr TControlRow kLayout[] = {
    {"Button1", K::Button, nullptr, 168, 504, 75, 25, "OK", nullptr, {"MS Sans Serif", 11, true}, 0, 0},
    {"Label1", K::Label, nullptr, 64, 8, 281, 20, "ZORMEK - Parâmetros do Algoritmo", nullptr, {"MS Sans Serif", 16, true}, 0, -1},
    {"GroupBox1", K::GroupBox, nullptr, 16, 56, 385, 121, "Parâmetros do Método dos Pontos Interiores", nullptr, kGroupFont, 0, 1},
    {"LabeledEdit1", K::LabeledEdit, "GroupBox1", 8, 40, 73, 21, "", "Rho:", kEditFont, 0, 0},
    {"LabeledEdit2", K::LabeledEdit, "GroupBox1", 104, 40, 73, 21, "", "Epsln:", kEditFont, 0, 1},
    {"LabeledEdit3", K::LabeledEdit, "GroupBox1", 200, 40, 73, 21, "", "Maxit:", kEditFont, 0, 2},
    {"LabeledEdit4", K::LabeledEdit, "GroupBox1", 296, 40, 73, 21, "", "Bigm:", kEditFont, 0, 3},
    {"LabeledEdit5", K::LabeledEdit, "GroupBox1", 8, 88, 73, 21, "", "Sigma:", kEditFont, 0, 4},
    {"LabeledEdit6", K::LabeledEdit, "GroupBox1", 104, 88, 73, 21, "", "Epslnp:", kEditFont, 0, 5},
    {"LabeledEdit7", K::LabeledEdit, "GroupBox1", 200, 88, 73, 21, "", "Epslmek:", kEditFont, 0, 6},
    {"LabeledEdit8", K::LabeledEdit, "GroupBox1", 296, 88, 73, 21, "", "Mu0:", kEditFont, 0, 7},
    {"GroupBox2", K::GroupBox, nullptr, 16, 200, 385, 73, "Dados Refentes à Variáveis do Laço Interno", nullptr, kGroupFont, 0, 2},
    {"LabeledEdit9", K::LabeledEdit, "GroupBox2", 8, 40, 73, 21, "", "x0:", kEditFont, 0, 0},
    {"LabeledEdit10", K::LabeledEdit, "GroupBox2", 104, 40, 73, 21, "", "xlowbd:", kEditFont, 0, 1},
    {"LabeledEdit11", K::LabeledEdit, "GroupBox2", 200, 40, 73, 21, "", "y0:", kEditFont, 0, 2},
    {"LabeledEdit12", K::LabeledEdit, "GroupBox2", 296, 40, 73, 21, "", "z0:", kEditFont, 0, 3},
    {"GroupBox3", K::GroupBox, nullptr, 16, 296, 385, 113, "Dados Refentes à Variáveis do Laço Externo", nullptr, kGroupFont, 0, 3},
    {"LabeledEdit13", K::LabeledEdit, "GroupBox3", 40, 40, 73, 21, "", "xnl:", kEditFont, 0, 0},
    {"GroupBox4", K::GroupBox, nullptr, 16, 424, 385, 73, "Detalhamento do Arquivo de Saída", nullptr, kGroupFont, 0, 4},
    {"LabeledEdit14", K::LabeledEdit, "GroupBox4", 152, 40, 73, 21, "", "iprint:", kEditFont, 0, 0},
    {"LabeledEdit15", K::LabeledEdit, "GroupBox3", 152, 40, 73, 21, "", "nu:", kEditFont, 0, 1},
    {"LabeledEdit16", K::LabeledEdit, "GroupBox3", 264, 40, 73, 21, "", "nd:", kEditFont, 0, 2},
    {"LabeledEdit17", K::LabeledEdit, "GroupBox3", 40, 80, 73, 21, "", "klim:", kEditFont, 0, 3},
    {"LabeledEdit18", K::LabeledEdit, "GroupBox3", 152, 80, 73, 21, "", "Rhoext:", kEditFont, 0, 4},
    {"LabeledEdit19", K::LabeledEdit, "GroupBox3", 264, 80, 73, 21, "", "Epsext:", kEditFont, 0, 5},
};

// The parameters in the order both handlers visit the edits: LabeledEdit1
// shows Rho, ..., LabeledEdit14 shows iprint (between xnl and nu).
struct Parameter {
  TLabeledEdit* TForm2::*edit;
  double TAlgorithmParameters::*real;    // nullptr for an integer
  int32_t TAlgorithmParameters::*integer;  // nullptr for a real
};

using P = TAlgorithmParameters;
using F = TForm2;
constexpr Parameter kParameters[] = {
    {&F::LabeledEdit1, &P::Rho, nullptr},       {&F::LabeledEdit2, &P::Epsln, nullptr},
    {&F::LabeledEdit3, nullptr, &P::Maxit},     {&F::LabeledEdit4, &P::Bigm, nullptr},
    {&F::LabeledEdit5, &P::Sigma, nullptr},     {&F::LabeledEdit6, &P::Epslnp, nullptr},
    {&F::LabeledEdit7, &P::Epslmek, nullptr},   {&F::LabeledEdit8, &P::Mu0, nullptr},
    {&F::LabeledEdit9, &P::x0, nullptr},        {&F::LabeledEdit10, &P::xlowbd, nullptr},
    {&F::LabeledEdit11, &P::y0, nullptr},       {&F::LabeledEdit12, &P::z0, nullptr},
    {&F::LabeledEdit13, &P::xnl, nullptr},      {&F::LabeledEdit14, nullptr, &P::iprint},
    {&F::LabeledEdit15, nullptr, &P::nu},       {&F::LabeledEdit16, nullptr, &P::nd},
    {&F::LabeledEdit17, nullptr, &P::klim},     {&F::LabeledEdit18, &P::Rhoext, nullptr},
    {&F::LabeledEdit19, &P::Epsext, nullptr},
};

constexpr TFieldBinding<TForm2> kFields[] = {
    ZK_FIELD(TForm2, Button1),       ZK_FIELD(TForm2, Label1),        ZK_FIELD(TForm2, GroupBox1),     ZK_FIELD(TForm2, LabeledEdit1),
    ZK_FIELD(TForm2, LabeledEdit2),  ZK_FIELD(TForm2, LabeledEdit3),  ZK_FIELD(TForm2, LabeledEdit4),  ZK_FIELD(TForm2, LabeledEdit5),
    ZK_FIELD(TForm2, LabeledEdit6),  ZK_FIELD(TForm2, LabeledEdit7),  ZK_FIELD(TForm2, LabeledEdit8),  ZK_FIELD(TForm2, GroupBox2),
    ZK_FIELD(TForm2, LabeledEdit9),  ZK_FIELD(TForm2, LabeledEdit10), ZK_FIELD(TForm2, LabeledEdit11), ZK_FIELD(TForm2, LabeledEdit12),
    ZK_FIELD(TForm2, GroupBox3),     ZK_FIELD(TForm2, LabeledEdit13), ZK_FIELD(TForm2, GroupBox4),     ZK_FIELD(TForm2, LabeledEdit14),
    ZK_FIELD(TForm2, LabeledEdit15), ZK_FIELD(TForm2, LabeledEdit16), ZK_FIELD(TForm2, LabeledEdit17), ZK_FIELD(TForm2, LabeledEdit18),
    ZK_FIELD(TForm2, LabeledEdit19),
};

TAlgorithmParameters& Parameters() { return Form1->CaseData.alg; }

}  // namespace

TForm2::TForm2(TObject* owner) : TForm(owner) {
  SetCaption("ZORMEK - Parâmetros do Algoritmo");
  SetFont(kWindowFont);
  SetBorderStyle(TBorderStyle::Sizeable);
  SetOuterSize(425, 573);
  LoadLayout(*this, std::span<const TControlRow>(kLayout));
  BindFields(*this, kFields);
  Button1->OnClick = Bind(this, &TForm2::Button1Click);
  TApplication::Dispatch(Bind(this, &TForm2::FormCreate), this);
  if (Form1 != nullptr) {
    SetTransientFor(*Form1);
    CenterOver(*Form1);
  }
}

TLabeledEdit* TForm2::ParameterEdit(int n) const {
  if (n < 1 || n > static_cast<int>(std::size(kParameters))) return nullptr;
  return this->*kParameters[n - 1].edit;
}

TLabeledEdit* TForm2::ParameterEdit(const TCaseField& field) const {
  for (const Parameter& p : kParameters) {
    const bool same = p.real != nullptr ? p.real == field.real_parameter : p.integer == field.integer_parameter;
    if (same && field.IsParameter()) return this->*p.edit;
  }
  return nullptr;
}

void TForm2::FormCreate(TObject*) {
  WindowDecimalSeparator = ',';
  const TAlgorithmParameters& a = Parameters();
  for (const Parameter& p : kParameters) {
    (this->*p.edit)->SetText(p.real != nullptr ? FormatRealText(a.*p.real) : FormatIntegerText(a.*p.integer));
  }
}

// Stores each edit as soon as it converts; the first text that does not
// convert stops here (the error display shows why) and the dialog stays open.
void TForm2::Button1Click(TObject*) {
  TAlgorithmParameters& a = Parameters();
  for (const Parameter& p : kParameters) {
    const std::string text = (this->*p.edit)->Text();
    if (p.real != nullptr) {
      a.*p.real = ParseRealText(text);
    } else {
      a.*p.integer = ParseIntegerText(text);
    }
  }
  Close();
}
