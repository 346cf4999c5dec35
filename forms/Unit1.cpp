#include "forms/Unit1.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

#include "case/CaseFields.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "case/IntervalTable.h"
#include "case/SpreadsheetClipboard.h"
#include "toolkit/WindowText.h"
#include "forms/CaseReading.h"
#include "forms/CheckWindow.h"
#include "forms/CompareWindow.h"
#include "forms/DecimalPoints.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"
#include "toolkit/Clipboard.h"
#include "toolkit/FileDialog.h"
#include "toolkit/Layout.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Progress.h"

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

enum class Event { None, Change, Enter, Exit, Click, DblClick };

// Every edit that holds a value of the case: the record's field it holds (by
// its name: a scalar of CaseFields.h, the table's "N", "durations" and
// "loads", or the "title", which "GRAVAR" reads), the event that runs its
// handler and the handler. The sixteen scalar handlers store their edit
// into their field through this table; opening a case fills the edits from
// it, and a finding of the check names its field to find the edit here.
struct EditBinding {
  TLabeledEdit* TForm1::*edit;
  std::string_view field;
  Event event;
  void (TForm1::*handler)(TObject*);
};

using F = TForm1;
constexpr EditBinding kEdits[] = {
    {&F::LabeledEdit1, "N", Event::Change, &F::set_vectors},
    {&F::LabeledEdit3, "durations", Event::Change, &F::LabeledEdit3Change},
    {&F::LabeledEdit4, "loads", Event::Change, &F::LabeledEdit4Change},
    {&F::LabeledEdit5, "base", Event::Change, &F::set_base},
    {&F::LabeledEdit6, "c0", Event::Exit, &F::set_c0},
    {&F::LabeledEdit7, "c", Event::Exit, &F::set_c},
    {&F::LabeledEdit8, "q", Event::Exit, &F::set_q},
    {&F::LabeledEdit9, "Ptmin", Event::Exit, &F::set_Ptmin},
    {&F::LabeledEdit10, "Ptmax", Event::Exit, &F::set_Ptmax},
    {&F::LabeledEdit12, "a0", Event::Exit, &F::set_a0},
    {&F::LabeledEdit13, "a1", Event::Exit, &F::set_a1},
    {&F::LabeledEdit14, "Vtot", Event::Exit, &F::set_Vtot},
    {&F::LabeledEdit15, "Phmin", Event::Exit, &F::set_Phmin},
    {&F::LabeledEdit11, "Phmax", Event::Exit, &F::set_Phmax},
    {&F::LabeledEdit16, "Zeta0", Event::Change, &F::set_Zeta0},
    {&F::LabeledEdit17, "Zetat", Event::Change, &F::set_Zetat},
    {&F::LabeledEdit18, "Zetah", Event::Change, &F::set_Zetah},
    {&F::LabeledEdit19, "Gammat", Event::Change, &F::set_Gammat},
    {&F::LabeledEdit20, "Gammah", Event::Change, &F::set_Gammah},
    {&F::LabeledEdit22, "title", Event::None, nullptr},
};

// The other events of the window's controls.
struct EventBinding {
  const char* control;
  Event event;
  void (TForm1::*handler)(TObject*);
};

constexpr EventBinding kEvents[] = {
    {"LabeledEdit1", Event::Enter, &TForm1::set_max_int},
    {"LabeledEdit2", Event::Change, &TForm1::LabeledEdit2Change},
    {"Memo1", Event::DblClick, &TForm1::Memo1DblClick},
    {"Button3", Event::Click, &TForm1::Button3Click},
    {"Button1", Event::Click, &TForm1::Button1Click},
    {"Button2", Event::Click, &TForm1::Button2Click},
};

const EditBinding* EditOfField(std::string_view field) {
  for (const EditBinding& binding : kEdits)
    if (binding.field == field) return &binding;
  return nullptr;
}

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

// A sign alone is a number still being typed, like the empty text.
bool IsLoneSign(std::string_view text) { return text == "-" || text == "+"; }

// Clears a flag however the scope is left.
class BusyScope {
public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

private:
  bool& flag_;
};

// The rows of an opened or pasted table as the memo shows them: the line "OK"
// logs for each interval with its fields filled as an opened case fills
// them. The arrays are the table's own, shared with the record until the
// record stores into them, so the lines stay as they were logged.
class TableMemoRows : public TMemoLines {
public:
  TableMemoRows(const TIntervalArray& durations, const TIntervalArray& loads, std::size_t rows, char separator)
      : durations_(durations),
        loads_(loads),
        rows_(std::min({rows, durations.size(), loads.size()})),
        separator_(separator) {}
  std::size_t Count() const override { return rows_; }
  void AppendLine(std::size_t index, std::string& out) const override {
    AppendIntervalMemoRow(out, index + 1, durations_[index], loads_[index], separator_);
  }

private:
  const TIntervalArray durations_;
  const TIntervalArray loads_;
  std::size_t rows_;
  char separator_;
};

constexpr const char* kInvalidCharacter = "Caracter inválido!";
constexpr const char* kErrorCaption = "ERRO!";

// The name in `folder`, both as the file system has them (bytes).
std::string PathIn(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

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
  for (const EditBinding& binding : kEdits) {
    if (TNotifyEvent* slot = EventSlot(this->*binding.edit, binding.event)) *slot = Bind(this, binding.handler);
  }
  for (const EventBinding& binding : kEvents) {
    if (TNotifyEvent* slot = EventSlot(FindControl(binding.control), binding.event)) {
      *slot = Bind(this, binding.handler);
    }
  }
  BindTableHooks();
  BindWindowMenu();
  OnDropFiles = [this](TObject* sender, const std::vector<std::string>& paths) { FormDropFiles(sender, paths); };
  TApplication::Dispatch(Bind(this, &TForm1::FormCreate), this);
}

void TForm1::ShowError(const std::string& text) { ShowMessageBox(this, text, kErrorCaption); }

void TForm1::FormCreate(TObject*) {
  WindowDecimalSeparator = ',';
  const int32_t n = ParseIntegerText(LabeledEdit1->Text());
  UpDown1->SetMax(UpDownMax(n));
  if (!CaseData.Create(n)) (void)CaseData.Create(1);
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
  const TableChangeNotice notice{this};
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

// The duration and load are checked as they are typed; a sign alone is let
// through so that negative numbers can be typed ("OK" refuses it if it stays).
void TForm1::LabeledEdit3Change(TObject*) {
  try {
    const std::string text = LabeledEdit3->Text();
    if (IsLoneSign(text)) return;
    (void)ParseRealText(text);
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    LabeledEdit3->SetText("0");
  }
}

void TForm1::LabeledEdit4Change(TObject*) {
  try {
    const std::string text = LabeledEdit4->Text();
    if (IsLoneSign(text)) return;
    (void)ParseRealText(text);
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    LabeledEdit4->SetText("0");
  }
}

// "OK": stores interval k's duration and load and logs them in the memo.
// Conversion errors are left to the error display; what was stored before
// stays stored and no line is logged.
void TForm1::Button3Click(TObject*) {
  const TableChangeNotice notice{this};
  struct Entry {
    TLabeledEdit* field;
    TStatus (TCaseData::*store)(int32_t, double);
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
    (void)(CaseData.*entry.store)(k, value);  // k was checked above
  }
  std::string line;
  AppendIntervalMemoLine(line, LabeledEdit2->Text(), LabeledEdit3->Text(), LabeledEdit4->Text());
  Memo1->Add(line);
}

void TForm1::Memo1DblClick(TObject*) {
  Memo1->Clear();
  Memo1->Add(kMemoHeader);
}

// "GRAVAR": one message box per problem found; no box on success. An opened
// case is saved into its own folder, a new one into the current folder. While
// the name field still shows the opened file's name, the case goes back into
// that very file, named as the file system names it (bytes that are not
// UTF-8, an extension in capitals or none), never into a look-alike.
// The save runs on a worker, on a copy of the record (its arrays shared, not
// copied), so the window keeps painting, with a progress window once it has
// lasted; nothing else touches the table meanwhile.
void TForm1::Button1Click(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  const TCaseData record = CaseData;
  const std::string title = LabeledEdit22->Text(), base = LabeledEdit21->Text(), folder = case_folder_;
  const std::string same_file =
      !case_name_.empty() && base == case_name_shown_ ? PathIn(case_folder_, case_name_) : std::string();
  TStatus saved;
  {
    TProgress progress(this, "Gravando o caso...", false);
    progress.RunInWorker([&](const TProgress::TReport&) {
      saved = !same_file.empty() ? SaveCaseFile(record, title, same_file) : WriteCaseFile(record, title, base, folder);
    });
  }
  if (saved) return;
  if (saved.Error().details.empty()) ShowError(saved.Error().message);
  for (const std::string& message : saved.Error().details) ShowError(message);
}

void TForm1::Button2Click(TObject*) { ShowParameters(nullptr); }

// A new dialog for every use, destroyed however it was closed.
void TForm1::ShowParameters(const TCaseField* focus) {
  {
    struct Destroy {
      ~Destroy() {
        delete Form2;
        Form2 = nullptr;
      }
    } destroy;
    Form2 = new TForm2(Application);
    if (focus) Form2->SetFirstFocus(Form2->ParameterEdit(*focus));
    Form2->ShowModal();
  }
  RecordChanged();
}

void TForm1::RewriteDecimalPoints(TLabeledEdit* field) { ::RewriteDecimalPoints(*field, rewrite_depth_); }

// A field whose handler runs on every change (its OnChange is bound) sees
// every prefix of what is typed: there a sign alone is an unfinished number,
// left alone like the empty text. A field checked when the focus leaves it
// gets a finished text, and a sign alone is refused there.
void TForm1::NormalizeDecimalComma(TLabeledEdit* field, double& target) {
  const std::string text = field->Text();
  if (text.empty()) return;
  if (field->OnChange && IsLoneSign(text)) return;
  try {
    RewriteDecimalPoints(field);
    target = ParseRealText(field->Text());
  } catch (const EConvertError&) {
    ShowError(kInvalidCharacter);
    field->SetText("0");
  }
}

// The field of the handler's row: its edit converted into its scalar.
void TForm1::StoreScalar(void (TForm1::*handler)(TObject*)) {
  for (const EditBinding& binding : kEdits) {
    if (binding.handler != handler) continue;
    if (const TCaseField* field = FindCaseField(binding.field)) {
      NormalizeDecimalComma(this->*binding.edit, field->Real(CaseData));
      RecordChanged();
    }
    return;
  }
}

void TForm1::set_base(TObject*) { StoreScalar(&TForm1::set_base); }
void TForm1::set_c0(TObject*) { StoreScalar(&TForm1::set_c0); }
void TForm1::set_c(TObject*) { StoreScalar(&TForm1::set_c); }
void TForm1::set_q(TObject*) { StoreScalar(&TForm1::set_q); }
void TForm1::set_Ptmin(TObject*) { StoreScalar(&TForm1::set_Ptmin); }
void TForm1::set_Ptmax(TObject*) { StoreScalar(&TForm1::set_Ptmax); }
void TForm1::set_a0(TObject*) { StoreScalar(&TForm1::set_a0); }
void TForm1::set_a1(TObject*) { StoreScalar(&TForm1::set_a1); }
void TForm1::set_Vtot(TObject*) { StoreScalar(&TForm1::set_Vtot); }
void TForm1::set_Phmin(TObject*) { StoreScalar(&TForm1::set_Phmin); }
void TForm1::set_Phmax(TObject*) { StoreScalar(&TForm1::set_Phmax); }
void TForm1::set_Zeta0(TObject*) { StoreScalar(&TForm1::set_Zeta0); }
void TForm1::set_Zetat(TObject*) { StoreScalar(&TForm1::set_Zetat); }
void TForm1::set_Zetah(TObject*) { StoreScalar(&TForm1::set_Zetah); }
void TForm1::set_Gammat(TObject*) { StoreScalar(&TForm1::set_Gammat); }
void TForm1::set_Gammah(TObject*) { StoreScalar(&TForm1::set_Gammah); }

// ---- The interval table through the clipboard, and its load profile -------

void TForm1::BindTableHooks() {
  Memo1->OnPaste = Bind(this, &TForm1::PasteIntervalTable);
  Memo1->OnCopy = Bind(this, &TForm1::CopyIntervalTable);
  // The memo's entries; the window's own menu starts with them too.
  const std::pair<const char*, void (TForm1::*)(TObject*)> entries[] = {
      {"Colar tabela de intervalos", &TForm1::PasteIntervalTable},
      {"Copiar tabela de intervalos", &TForm1::CopyIntervalTable},
      {"Ver perfil de carga", &TForm1::ShowLoadProfile},
  };
  for (const auto& [caption, handler] : entries) {
    Memo1->AddMenuItem(caption, Bind(this, handler));
    AddMenuItem(caption, "", Bind(this, handler));
  }
}

namespace {

// A field's text for a value of an opened or pasted case: the window's
// display, and empty for 0.0 (either sign), as the fields start. An empty
// field leaves the record alone, so the value read stays exactly as it was.
std::string FieldText(double value) { return FieldRealText(value, WindowDecimalSeparator); }

constexpr const char* kPasteCaption = "Colar tabela de intervalos";

// The table from the clipboard's best format on offer: a spreadsheet's raw
// values before its display; a rich format that holds no table (a text
// editor's HTML) gives way to the next.
TResult<TPastedIntervals> ReadClipboardTable(const TForm* owner, const TTableFormat& format) {
  TProgress progress(owner, "Lendo a tabela de intervalos...", true);
  const TTableProgress report = [&progress](std::size_t done, std::size_t total) { return progress.Step(done, total); };
  const std::vector<std::string> offered = ClipboardFormats();
  TResult<TPastedIntervals> read = MakeError(TErrc::InvalidTable, NoTableMessage());
  for (const std::string_view mime : TableClipboardFormats()) {
    if (std::find(offered.begin(), offered.end(), mime) == offered.end()) continue;
    bool had = false;
    WithClipboardData(mime, [&](std::string_view data) {
      had = true;
      read = ParseClipboardTable(mime, data, format, report);
    });
    if (had && !(mime != kPlainTextMime && !read && NoTableIn(read.Error()))) break;
  }
  return read;
}

}  // namespace

// Reads the whole clipboard first: a bad row refuses everything with one
// box and changes nothing; a table whose numbers read two ways asks once
// which, and changes nothing if the question is cancelled. A table of
// another length re-sizes the table as a typed count does (count field, the
// one warning, the up-down's range, memo reset); one of the same length only
// resets the memo. Either way the rows then fill intervals 1..R and the memo
// holds the header and one line per row.
void TForm1::PasteIntervalTable(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  try {
    TTableFormat format;
    format.max_rows = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
    TResult<TPastedIntervals> read = ReadClipboardTable(this, format);
    if (read.Code() == TErrc::AmbiguousTable) {
      const TTableQuestion question = TableQuestionOf(read.Error());
      const int answer = AskQuestion(this, question.Text(), kPasteCaption,
                                     {question.as_thousands, question.as_decimal, "Cancelar"});
      if (answer != 0 && answer != 1) return;  // cancelled: nothing changed
      format.decimal_mark = answer == 0 ? question.decimal_if_thousands : question.decimal_if_decimal;
      read = ReadClipboardTable(this, format);
    }
    if (read.Code() == TErrc::Cancelled) return;
    if (!read) {
      ShowError(read.Error().message);
      return;
    }
    TPastedIntervals rows = std::move(read).Value();
    const auto count = static_cast<int32_t>(rows.rows);
    if (count != CaseData.N) {
      LabeledEdit1->SetText(FormatIntegerText(count));  // runs set_vectors
      // A count the table could not take was refused there, with its box.
      if (CaseData.N != count || CaseData.durations.size() != rows.rows || CaseData.loads.size() != rows.rows) return;
    } else {
      Memo1->Clear();
      Memo1->Add(kMemoHeader);
    }
    const TableChangeNotice notice{this};
    CaseData.durations = std::move(rows.durations);
    CaseData.loads = std::move(rows.loads);
    ShowTableInMemo();
  } catch (const std::bad_alloc&) {
    ShowError("Não há memória para colar a tabela de intervalos.");
  }
}

// The rows of the table, made when they are drawn or copied.
void TForm1::ShowTableInMemo() {
  Memo1->AddBlock(std::make_shared<TableMemoRows>(CaseData.durations, CaseData.loads,
                                                  static_cast<std::size_t>(std::max<int32_t>(CaseData.N, 0)),
                                                  WindowDecimalSeparator));
}

// Rows "intervalo<TAB>duração<TAB>carga" with the decimal comma, values
// written so that a paste gives back the same doubles; beside them the same
// rows as HTML whose cells carry the values, which Calc and Excel take
// before the text and read as numbers in any locale.
void TForm1::CopyIntervalTable(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  const std::string no_memory =
      "Não há memória para copiar a tabela de " + FormatIntegerText(CaseData.N) + " intervalos.";
  try {
    using TFormatter = TResult<std::string> (*)(const TCaseData&, const TTableProgress&);
    const TFormatter formatters[] = {FormatIntervalTable, FormatIntervalTableHtml};
    std::vector<std::string> made;
    {
      TProgress progress(this, "Copiando a tabela de intervalos...", true);
      for (std::size_t part = 0; part < std::size(formatters); ++part) {  // the bar in halves
        TResult<std::string> text = formatters[part](CaseData, [&](std::size_t done, std::size_t total) {
          return progress.Step(part * total + done, std::size(formatters) * total);
        });
        if (text.Code() == TErrc::Cancelled) return;
        if (!text) {
          ShowError(text.Error().message);
          return;
        }
        made.push_back(std::move(text).Value());
      }
    }
    SetClipboardFormats({{kPlainTextMime, made[0]}, {kHtmlMime, made[1]}});
  } catch (const std::bad_alloc&) {
    ShowError(no_memory);
  }
}

// One window, made on first use; asking again brings it to the front.
void TForm1::ShowLoadProfile(TObject*) {
  if (!profile_) profile_ = std::make_unique<TLoadProfileWindow>(this, &CaseData);
  if (compare_ && compare_->Visible()) profile_->SetComparison(&compare_->Other(), compare_->OtherName());
  profile_->Show();
}

void TForm1::TableChanged() noexcept {
  TApplication::Dispatch(
      [this](TObject*) {
        if (profile_) profile_->Refresh();
        RecordChanged();
      },
      this);
}

// ---- Opening a case -------------------------------------------------------

namespace {

// "caso1.dad" -> "caso1"; a name without the extension stays whole.
std::string BaseNameOf(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  if (name.size() >= 4) {
    std::string end = name.substr(name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(), [](unsigned char ch) { return std::tolower(ch); });
    if (end == ".dad") name.resize(name.size() - 4);
  }
  return name;
}

std::string FolderOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return (error ? std::filesystem::path(path) : absolute).parent_path().lexically_normal().string();
}

}  // namespace

void TForm1::FormDropFiles(TObject*, const std::vector<std::string>& Paths) {
  if (!Paths.empty()) OpenCaseFile(Paths.front());
}

bool TForm1::OpenCaseFile(const std::string& path) {
  if (opening_ || table_busy_) return false;  // one at a time, and not inside a paste or copy
  const BusyScope opening(opening_);
  const BusyScope table(table_busy_);

  // The worker reads the file and nothing else: the record it fills is its
  // own until it is done, and the window's texts are made here afterwards.
  TCaseData data;
  std::string title;
  const std::optional<TStatus> read = ReadCaseInWorker(this, "Abrindo o caso", path, &data, &title);
  if (!read) return false;  // cancelled: nothing changed
  if (!*read) {
    ShowError(FailureNamingFile(read->Error()));
    return false;
  }
  case_folder_ = FolderOf(path);
  case_name_ = std::filesystem::path(path).filename().string();
  ShowCase(std::move(data), title, BaseNameOf(path));
  case_name_shown_ = LabeledEdit21->Text();  // a name that is not UTF-8 shows U+FFFD
  // The edit that has (or gets back) the window's focus holds a new text:
  // selected whole, as on entry, so that typing replaces it. Done once the
  // progress windows are gone, whose coming and going moves the focus.
  if (auto* edit = dynamic_cast<TLabeledEdit*>(ActiveControl())) edit->SelectAll();
  return true;
}

void TForm1::ShowCase(TCaseData&& data, const std::string& title, const std::string& base) {
  {
    // No change handler runs while the texts go in: the record is set
    // whole afterwards, so nothing is re-sized, warned about or rounded.
    struct Quiet {
      std::vector<std::pair<TLabeledEdit*, TNotifyEvent>> saved;
      explicit Quiet(const TForm& form) {
        for (TControl* control : form.Controls()) {
          if (auto* edit = dynamic_cast<TLabeledEdit*>(control)) {
            saved.emplace_back(edit, edit->OnChange);
            edit->OnChange = nullptr;
          }
        }
      }
      ~Quiet() {
        for (auto& [edit, handler] : saved) edit->OnChange = std::move(handler);
      }
    } quiet(*this);

    LabeledEdit1->SetText(FormatIntegerText(data.N));
    LabeledEdit2->SetText("1");
    LabeledEdit3->SetText(FieldText(data.durations[0]));
    LabeledEdit4->SetText(FieldText(data.loads[0]));
    for (const EditBinding& binding : kEdits) {
      if (const TCaseField* field = FindCaseField(binding.field)) (this->*binding.edit)->SetText(FieldText(field->Real(data)));
    }
    LabeledEdit22->SetText(title);
    LabeledEdit21->SetText(base);  // the length limit is for typing only
  }
  UpDown1->SetMax(UpDownMax(data.N));
  UpDown1->SetPosition(1);
  const TableChangeNotice notice{this};  // an open load profile draws the new table
  CaseData = std::move(data);

  // As "OK" would have logged every interval with the fields filled as
  // they are now.
  Memo1->Clear();
  Memo1->Add(kMemoHeader);
  ShowTableInMemo();
}

// ---- Checking the case and comparing it with a saved one -------------------

namespace {

// A value of interval k as its field shows it for "OK" to store it back
// unchanged; "0" for a value not entered, so that the finding's missing
// value shows in the field ("OK" stores an empty field as 0 too).
std::string IntervalFieldText(double value) { return value == 0.0 ? std::string("0") : TableValueText(value); }

}  // namespace

TForm1::~TForm1() = default;

void TForm1::BindWindowMenu() {
  AddMenuSeparator();
  AddMenuItem("Abrir caso…", "Ctrl+O", Bind(this, &TForm1::OpenCaseDialog));
  AddMenuItem("Verificar caso", "F7", Bind(this, &TForm1::VerifyCase));
  AddMenuItem("Comparar com caso salvo…", "", Bind(this, &TForm1::CompareWithSavedCase));
}

void TForm1::OpenCaseDialog(TObject*) {
  const std::string path = AskCaseFileToOpen(this, "Abrir caso", case_folder_);
  if (!path.empty()) OpenCaseFile(path);
}

void TForm1::StorePendingField() {
  for (const EditBinding& binding : kEdits) {
    if (binding.event == Event::Exit && ActiveControl() == this->*binding.edit) {
      (this->*binding.handler)(this->*binding.edit);
      return;
    }
  }
}

void TForm1::VerifyCase(TObject*) {
  StorePendingField();
  const bool opened = check_ != nullptr;
  if (!opened) check_ = std::make_unique<TCheckWindow>(this);
  check_->Refresh();
  if (opened && check_->Visible())
    check_->BringToFront();
  else
    check_->Show();
}

void TForm1::CompareWithSavedCase(TObject*) {
  const std::string path = AskCaseFileToOpen(this, "Comparar com caso salvo", case_folder_);
  if (path.empty()) return;
  StorePendingField();
  const bool opened = compare_ != nullptr;
  if (!opened) {
    compare_ = std::make_unique<TCompareWindow>(this);
    compare_->OnClose = [this](TObject*) {
      if (profile_) profile_->SetComparison(nullptr, {});
    };
  }
  if (!compare_->Load(path)) return;
  if (profile_) profile_->SetComparison(&compare_->Other(), compare_->OtherName());
  if (opened && compare_->Visible())
    compare_->BringToFront();
  else
    compare_->Show();
}

void TForm1::RecordChanged() {
  if (check_) check_->RecordChanged();
  if (compare_) compare_->RecordChanged();
}

std::string TForm1::CaseTitle() const { return LabeledEdit22->Text(); }

void TForm1::ShowField(std::string_view field, std::optional<int32_t> interval) {
  if (const TCaseField* parameter = FindCaseField(field); parameter && parameter->IsParameter()) {
    BringToFront();
    ShowParameters(parameter);
    return;
  }
  const EditBinding* binding = EditOfField(field);
  if (!binding) return;
  TLabeledEdit* edit = this->*binding->edit;
  if (interval && (field == "durations" || field == "loads") && *interval >= 1 && *interval <= CaseData.N) {
    // Read through a const record: the arrays shared with the memo stay shared.
    const TCaseData& record = CaseData;
    const auto i = static_cast<std::size_t>(*interval - 1);
    const double duration = record.durations[i];
    const double load = record.loads[i];
    LabeledEdit2->SetText(FormatIntegerText(*interval));
    UpDown1->SetPosition(UpDownMax(*interval));
    LabeledEdit3->SetText(IntervalFieldText(duration));
    LabeledEdit4->SetText(IntervalFieldText(load));
  }
  BringToFront();
  edit->SetFocus();
  edit->SelectAll();
}
