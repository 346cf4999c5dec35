#include "forms/Unit1.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "case/CaseFile.h"
#include "case/NumberText.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"
#include "toolkit/Layout.h"
#include "toolkit/MessageBox.h"

TForm1* Form1 = nullptr;

const char* const TForm1::kMemoHeader = "   Intervalo   |   Duração (h)   |   Carga (MW)";

namespace {

constexpr TFontDesc kWindowFont{"MS Sans Serif", 11, false};
constexpr TFontDesc kGroupFont{"MS Sans Serif", 13, true};
constexpr TFontDesc kEditFont{"MS Sans Serif", 12, false};
constexpr TFontDesc kHeadingFont{"MS Sans Serif", 12, true};
constexpr TFontDesc kInherit{};

using K = TControlKind;

// name, kind, parent, left, top, width, height, text, label, font, max, tab
constexpr TControlRow kLayout[] = {
    {"Label1", K::Label, nullptr, 192, 8, 163, 33, "ZORMEK GUI", nullptr, {"Arial", 28, true}, 0, -1},
    {"Label6", K::Label, nullptr, 192, 40, 159, 13, "Desenvolvido por: Equipe ZORMEK", nullptr, kInherit, 0, -1},
    {"Label7", K::Label, nullptr, 240, 56, 70, 13, "Oububro/2008", nullptr, kInherit, 0, -1},
    {"GroupBox1", K::GroupBox, nullptr, 112, 80, 393, 193, "Dados dos Intervalos", nullptr, kGroupFont, 0, 0},
    {"GroupBox2", K::GroupBox, nullptr, 32, 288, 489, 161, "Dados das Usinas", nullptr, kGroupFont, 0, 1},
    {"GroupBox3", K::GroupBox, nullptr, 32, 464, 489, 81, "Fórmula Geral das Perdas", nullptr, kGroupFont, 0, 2},
    {"GroupBox4", K::GroupBox, nullptr, 32, 560, 489, 129, "Dados do Arquivo", nullptr, kGroupFont, 0, 3},
    {"Button2", K::Button, nullptr, 168, 696, 217, 25, "Configurar Parâmetros do Algoritmo", nullptr, {"MS Sans Serif", 11, true}, 0, 4},

    // "Dados dos Intervalos"
    {"LabeledEdit1", K::LabeledEdit, "GroupBox1", 40, 40, 105, 21, "1", "Numero de Intervalos:", kEditFont, 10, 0},
    {"LabeledEdit5", K::LabeledEdit, "GroupBox1", 184, 40, 97, 21, "", "Potência base (MW):", kEditFont, 15, 1},
    {"LabeledEdit2", K::LabeledEdit, "GroupBox1", 16, 88, 73, 21, "1", "Número do intervalo:", kEditFont, 10, 2},
    {"LabeledEdit3", K::LabeledEdit, "GroupBox1", 128, 88, 81, 21, "", "Duração (horas):", kEditFont, 13, 3},
    {"LabeledEdit4", K::LabeledEdit, "GroupBox1", 224, 88, 81, 21, "", "Carga (MW):", kEditFont, 15, 4},
    {"UpDown1", K::UpDown, "GroupBox1", 89, 88, 17, 21, "LabeledEdit2", nullptr, kInherit, 0, 5},
    {"Memo1", K::Memo, "GroupBox1", 56, 120, 257, 65, TForm1::kMemoHeader, nullptr, {"MS Sans Serif", 10, false}, 0, 6},
    {"Button3", K::Button, "GroupBox1", 320, 86, 33, 25, "OK", nullptr, {"MS Sans Serif", 11, false}, 0, 7},

    // "Dados das Usinas"
    {"Label2", K::Label, "GroupBox2", 24, 24, 120, 13, "Térmica equivalente:", nullptr, kHeadingFont, 0, -1},
    {"Label3", K::Label, "GroupBox2", 24, 88, 132, 13, "Hidráulica equivalente:", nullptr, kHeadingFont, 0, -1},
    {"LabeledEdit6", K::LabeledEdit, "GroupBox2", 8, 56, 89, 21, "", "c0:", kEditFont, 0, 0},
    {"LabeledEdit7", K::LabeledEdit, "GroupBox2", 104, 56, 89, 21, "", "c:", kEditFont, 0, 1},
    {"LabeledEdit8", K::LabeledEdit, "GroupBox2", 200, 56, 89, 21, "", "q:", kEditFont, 0, 2},
    {"LabeledEdit9", K::LabeledEdit, "GroupBox2", 296, 56, 89, 21, "", "Pt (min):", kEditFont, 0, 3},
    {"LabeledEdit10", K::LabeledEdit, "GroupBox2", 392, 56, 89, 21, "", "Pt (max):", kEditFont, 0, 4},
    {"LabeledEdit12", K::LabeledEdit, "GroupBox2", 8, 120, 89, 21, "", "a0:", kEditFont, 0, 5},
    {"LabeledEdit13", K::LabeledEdit, "GroupBox2", 104, 120, 89, 21, "", "a1:", kEditFont, 0, 6},
    {"LabeledEdit14", K::LabeledEdit, "GroupBox2", 200, 120, 89, 21, "", "Vtot:", kEditFont, 0, 7},
    {"LabeledEdit15", K::LabeledEdit, "GroupBox2", 296, 120, 89, 21, "", "Ph (min):", kEditFont, 0, 8},
    {"LabeledEdit11", K::LabeledEdit, "GroupBox2", 392, 120, 89, 21, "", "Ph (max):", kEditFont, 0, 9},

    // "Fórmula Geral das Perdas"
    {"LabeledEdit16", K::LabeledEdit, "GroupBox3", 8, 40, 89, 21, "", "Zeta_0:", kEditFont, 0, 0},
    {"LabeledEdit17", K::LabeledEdit, "GroupBox3", 104, 40, 89, 21, "", "Zeta_t:", kEditFont, 0, 1},
    {"LabeledEdit18", K::LabeledEdit, "GroupBox3", 200, 40, 89, 21, "", "Zeta_h:", kEditFont, 0, 2},
    {"LabeledEdit19", K::LabeledEdit, "GroupBox3", 296, 40, 89, 21, "", "Gamma_t:", kEditFont, 0, 3},
    {"LabeledEdit20", K::LabeledEdit, "GroupBox3", 392, 40, 89, 21, "", "Gamma_h:", kEditFont, 0, 4},

    // "Dados do Arquivo"
    {"LabeledEdit22", K::LabeledEdit, "GroupBox4", 8, 40, 473, 21, "", "Título do caso em estudo:", kEditFont, 80, 0},
    {"LabeledEdit21", K::LabeledEdit, "GroupBox4", 8, 88, 57, 21, "", "Nome do arquivo (sem extensão):", kEditFont, 8, 1},
    {"Label4", K::Label, "GroupBox4", 72, 92, 21, 13, ".dad", nullptr, kEditFont, 0, -1},
    {"Button1", K::Button, "GroupBox4", 200, 80, 89, 33, "GRAVAR", nullptr, kGroupFont, 0, 2},
};

constexpr TFieldBinding<TForm1> kFields[] = {
    ZK_FIELD(TForm1, Label1),        ZK_FIELD(TForm1, GroupBox1),     ZK_FIELD(TForm1, LabeledEdit1),  ZK_FIELD(TForm1, LabeledEdit2),
    ZK_FIELD(TForm1, UpDown1),       ZK_FIELD(TForm1, LabeledEdit3),  ZK_FIELD(TForm1, LabeledEdit4),  ZK_FIELD(TForm1, LabeledEdit5),
    ZK_FIELD(TForm1, GroupBox2),     ZK_FIELD(TForm1, Label2),        ZK_FIELD(TForm1, LabeledEdit6),  ZK_FIELD(TForm1, LabeledEdit7),
    ZK_FIELD(TForm1, LabeledEdit8),  ZK_FIELD(TForm1, LabeledEdit9),  ZK_FIELD(TForm1, LabeledEdit10), ZK_FIELD(TForm1, LabeledEdit11),
    ZK_FIELD(TForm1, LabeledEdit12), ZK_FIELD(TForm1, LabeledEdit13), ZK_FIELD(TForm1, LabeledEdit14), ZK_FIELD(TForm1, LabeledEdit15),
    ZK_FIELD(TForm1, Label3),        ZK_FIELD(TForm1, GroupBox3),     ZK_FIELD(TForm1, LabeledEdit16), ZK_FIELD(TForm1, LabeledEdit17),
    ZK_FIELD(TForm1, LabeledEdit18), ZK_FIELD(TForm1, LabeledEdit19), ZK_FIELD(TForm1, LabeledEdit20), ZK_FIELD(TForm1, GroupBox4),
    ZK_FIELD(TForm1, LabeledEdit21), ZK_FIELD(TForm1, LabeledEdit22), ZK_FIELD(TForm1, Button1),       ZK_FIELD(TForm1, Label4),
    ZK_FIELD(TForm1, Label6),        ZK_FIELD(TForm1, Label7),        ZK_FIELD(TForm1, Memo1),         ZK_FIELD(TForm1, Button2),
    ZK_FIELD(TForm1, Button3),
};

enum class Event { Change, Enter, Exit, Click, DblClick };

struct EventBinding {
  const char* control;
  Event event;
  void (TForm1::*handler)(TObject*);
};

constexpr EventBinding kEvents[] = {
    {"LabeledEdit1", Event::Change, &TForm1::set_vectors},
    {"LabeledEdit1", Event::Enter, &TForm1::set_max_int},
    {"LabeledEdit2", Event::Change, &TForm1::LabeledEdit2Change},
    {"LabeledEdit3", Event::Change, &TForm1::LabeledEdit3Change},
    {"LabeledEdit4", Event::Change, &TForm1::LabeledEdit4Change},
    {"LabeledEdit5", Event::Change, &TForm1::set_base},
    {"LabeledEdit6", Event::Exit, &TForm1::set_c0},
    {"LabeledEdit7", Event::Exit, &TForm1::set_c},
    {"LabeledEdit8", Event::Exit, &TForm1::set_q},
    {"LabeledEdit9", Event::Exit, &TForm1::set_Ptmin},
    {"LabeledEdit10", Event::Exit, &TForm1::set_Ptmax},
    {"LabeledEdit12", Event::Exit, &TForm1::set_a0},
    {"LabeledEdit13", Event::Exit, &TForm1::set_a1},
    {"LabeledEdit14", Event::Exit, &TForm1::set_Vtot},
    {"LabeledEdit15", Event::Exit, &TForm1::set_Phmin},
    {"LabeledEdit11", Event::Exit, &TForm1::set_Phmax},
    {"LabeledEdit16", Event::Change, &TForm1::set_Zeta0},
    {"LabeledEdit17", Event::Change, &TForm1::set_Zetat},
    {"LabeledEdit18", Event::Change, &TForm1::set_Zetah},
    {"LabeledEdit19", Event::Change, &TForm1::set_Gammat},
    {"LabeledEdit20", Event::Change, &TForm1::set_Gammah},
    {"Memo1", Event::DblClick, &TForm1::Memo1DblClick},
    {"Button3", Event::Click, &TForm1::Button3Click},
    {"Button1", Event::Click, &TForm1::Button1Click},
    {"Button2", Event::Click, &TForm1::Button2Click},
};

TNotifyEvent* EventSlot(TControl* control, Event event) {
  if (auto* edit = dynamic_cast<TLabeledEdit*>(control)) {
    switch (event) {
      case Event::Change: return &edit->OnChange;
      case Event::Enter: return &edit->OnEnter;
      case Event::Exit: return &edit->OnExit;
      default: return nullptr;
    }
  }
  if (auto* button = dynamic_cast<TButton*>(control)) {
    return event == Event::Click ? &button->OnClick : nullptr;
  }
  if (auto* memo = dynamic_cast<TMemo*>(control)) {
    return event == Event::DblClick ? &memo->OnDblClick : nullptr;
  }
  return nullptr;
}

// The up-down's range is 16-bit; a longer table keeps its typed numbers.
int16_t UpDownMax(int32_t n) {
  return static_cast<int16_t>(std::clamp<int32_t>(n, INT16_MIN, INT16_MAX));
}

// Number of characters of a UTF-8 text.
std::size_t CharCount(std::string_view s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

// Byte length of the UTF-8 sequence that starts with b.
std::size_t SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 1;
}

constexpr const char* kInvalidCharacter = "Caracter inválido!";
constexpr const char* kErrorCaption = "ERRO!";

}  // namespace

TForm1::TForm1(TObject* owner) : TForm(owner) {
  SetCaption("ZORMEK GUI");
  SetFont(kWindowFont);
  SetBorderStyle(TBorderStyle::Single);
  SetClientSize(555, 729);
  SetFramePosition(340, 1);
  KeepOnScreen();  // a small screen would leave part of the window outside

  LoadLayout(*this, std::span<const TControlRow>(kLayout));
  BindFields(*this, kFields);
  UpDown1->SetMin(1);
  UpDown1->SetMax(0);
  UpDown1->SetPosition(1);
  UpDown1->SetThousands(true);

  // Handlers are bound only now, so loading the layout ran none of them.
  for (const EventBinding& binding : kEvents) {
    if (TNotifyEvent* slot = EventSlot(FindControl(binding.control), binding.event)) {
      *slot = Bind(this, binding.handler);
    }
  }
  TApplication::Dispatch(Bind(this, &TForm1::FormCreate), this);
}

void TForm1::ShowError(const std::string& text) { ShowMessageBox(this, text, kErrorCaption); }

void TForm1::FormCreate(TObject*) {
  WindowDecimalSeparator = ',';
  const int32_t n = ParseIntegerText(LabeledEdit1->Text());
  UpDown1->SetMax(UpDownMax(n));
  if (!CaseData.Create(n)) CaseData.Create(1);
  LabeledEdit2->SetText("1");
  CaseData.N = ParseIntegerText(LabeledEdit1->Text());
  CaseData.alg.SetDefaults();
}

// Entering the count field keeps the table: only a change of the count's
// text replaces it, so "OK" and "GRAVAR" always find N elements.
void TForm1::set_max_int(TObject*) { ++count_field_entries_; }

// Every change of the count erases the table. A text that is not an integer,
// a count below 1 and a count whose arrays cannot be had are all refused the
// same way: the field goes back to "1", which re-sizes the table to one
// empty interval.
void TForm1::set_vectors(TObject*) {
  int32_t n = 0;
  bool ok = true;
  try {
    n = ParseIntegerText(LabeledEdit1->Text());
    ok = n >= 1 && CaseData.Redimension(n);
  } catch (const EConvertError&) {
    ok = false;
  }
  if (!ok) {
    ShowError(kInvalidCharacter);
    LabeledEdit1->SetText("1");
    return;
  }
  UpDown1->SetMax(UpDownMax(n));
  ShowMessageBox(this, "Todos os dados relativos aos intervalos foram apagados!", "ATENÇÃO!");
  Memo1->Clear();
  Memo1->Add(kMemoHeader);
}

// Warns about an interval number beyond the table. Texts that are not
// integers are left to the error display.
void TForm1::LabeledEdit2Change(TObject*) {
  const int32_t k = ParseIntegerText(LabeledEdit2->Text());
  const int32_t n = ParseIntegerText(LabeledEdit1->Text());
  if (k > n) ShowError("Intervalo maior que o número máximo de intervalos!");
}

void TForm1::LabeledEdit3Change(TObject*) {
  try {
    (void)ParseRealText(LabeledEdit3->Text());
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    LabeledEdit3->SetText("0");
  }
}

void TForm1::LabeledEdit4Change(TObject*) {
  try {
    (void)ParseRealText(LabeledEdit4->Text());
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    LabeledEdit4->SetText("0");
  }
}

// "OK": stores interval k's duration and load and logs them in the memo.
// Conversion errors are left to the error display; what was stored before
// stays stored and no line is logged.
void TForm1::Button3Click(TObject*) {
  struct Entry {
    TLabeledEdit* field;
    bool (TCaseData::*store)(int32_t, double);
  };
  const Entry entries[] = {{LabeledEdit3, &TCaseData::SetDuration}, {LabeledEdit4, &TCaseData::SetLoad}};
  for (const Entry& entry : entries) {
    const bool empty = entry.field->Text().empty();
    if (!empty) RewriteDecimalPoints(entry.field);
    const int32_t k = ParseIntegerText(LabeledEdit2->Text());
    if (k < 1 || k > CaseData.N) {
      ShowError("Número do intervalo fora da tabela: use um número de 1 a " + FormatIntegerText(CaseData.N) + "!");
      return;
    }
    const double value = empty ? 0.0 : ParseRealText(entry.field->Text());
    (CaseData.*entry.store)(k, value);
  }
  const std::string gap(22, ' ');
  Memo1->Add(std::string(6, ' ') + LabeledEdit2->Text() + gap + LabeledEdit3->Text() + gap + LabeledEdit4->Text());
}

void TForm1::Memo1DblClick(TObject*) {
  Memo1->Clear();
  Memo1->Add(kMemoHeader);
}

// "GRAVAR": one message box per problem found; no box on success.
void TForm1::Button1Click(TObject*) {
  for (const std::string& message : WriteCaseFile(CaseData, LabeledEdit22->Text(), LabeledEdit21->Text())) {
    ShowError(message);
  }
}

// A new dialog for every press, destroyed however it was closed.
void TForm1::Button2Click(TObject*) {
  struct Destroy {
    ~Destroy() {
      delete Form2;
      Form2 = nullptr;
    }
  } destroy;
  Form2 = new TForm2(Application);
  Form2->ShowModal();
}

// Rewrites "." as "," in a working copy taken once, writing the whole copy
// back at every position while the position is below the length of the
// field's current text (a nested handler may change it), caret at the end.
// A field that runs on every change sees each rewrite as a change and runs
// again, nested. Texts with many "." would nest once per "."; past a small
// depth the remaining ones are rewritten in one step, which ends the same way
// without exhausting the stack.
void TForm1::RewriteDecimalPoints(TLabeledEdit* field) {
  constexpr int kMaxStepwiseDepth = 16;
  struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) { ++d; }
    ~Depth() { --d; }
  } depth(rewrite_depth_);

  std::string copy = field->Text();
  if (rewrite_depth_ > kMaxStepwiseDepth) {
    std::replace(copy.begin(), copy.end(), '.', ',');
    field->SetText(copy);
    field->SetSelStart(static_cast<int>(CharCount(field->Text())));
    return;
  }
  std::size_t byte = 0;
  for (std::size_t position = 0; position < CharCount(field->Text()); ++position) {
    if (byte < copy.size()) {
      if (copy[byte] == '.') copy[byte] = ',';
      byte += SequenceLength(static_cast<unsigned char>(copy[byte]));
    }
    field->SetText(copy);
    field->SetSelStart(static_cast<int>(CharCount(field->Text())));
  }
}

void TForm1::NormalizeDecimalComma(TLabeledEdit* field, double& target) {
  if (field->Text().empty()) return;
  try {
    RewriteDecimalPoints(field);
    target = ParseRealText(field->Text());
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    field->SetText("0");
  }
}

void TForm1::set_base(TObject*) { NormalizeDecimalComma(LabeledEdit5, CaseData.base); }
void TForm1::set_c0(TObject*) { NormalizeDecimalComma(LabeledEdit6, CaseData.c0); }
void TForm1::set_c(TObject*) { NormalizeDecimalComma(LabeledEdit7, CaseData.c); }
void TForm1::set_q(TObject*) { NormalizeDecimalComma(LabeledEdit8, CaseData.q); }
void TForm1::set_Ptmin(TObject*) { NormalizeDecimalComma(LabeledEdit9, CaseData.Ptmin); }
void TForm1::set_Ptmax(TObject*) { NormalizeDecimalComma(LabeledEdit10, CaseData.Ptmax); }
void TForm1::set_a0(TObject*) { NormalizeDecimalComma(LabeledEdit12, CaseData.a0); }
void TForm1::set_a1(TObject*) { NormalizeDecimalComma(LabeledEdit13, CaseData.a1); }
void TForm1::set_Vtot(TObject*) { NormalizeDecimalComma(LabeledEdit14, CaseData.Vtot); }
void TForm1::set_Phmin(TObject*) { NormalizeDecimalComma(LabeledEdit15, CaseData.Phmin); }
void TForm1::set_Phmax(TObject*) { NormalizeDecimalComma(LabeledEdit11, CaseData.Phmax); }
void TForm1::set_Zeta0(TObject*) { NormalizeDecimalComma(LabeledEdit16, CaseData.Zeta0); }
void TForm1::set_Zetat(TObject*) { NormalizeDecimalComma(LabeledEdit17, CaseData.Zetat); }
void TForm1::set_Zetah(TObject*) { NormalizeDecimalComma(LabeledEdit18, CaseData.Zetah); }
void TForm1::set_Gammat(TObject*) { NormalizeDecimalComma(LabeledEdit19, CaseData.Gammat); }
void TForm1::set_Gammah(TObject*) { NormalizeDecimalComma(LabeledEdit20, CaseData.Gammah); }
