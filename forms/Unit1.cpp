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

#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "case/IntervalTable.h"
#include "toolkit/WindowText.h"
#include "forms/DecimalPoints.h"
#include "forms/Unit2.h"
#include "toolkit/Application.h"
#include "toolkit/Clipboard.h"
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
  BindTableHooks();
  OnDropFiles = [this](TObject* sender, const std::vector<std::string>& paths) { FormDropFiles(sender, paths); };
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
  std::string line;
  AppendIntervalMemoLine(line, LabeledEdit2->Text(), LabeledEdit3->Text(), LabeledEdit4->Text());
  Memo1->Add(line);
}

void TForm1::Memo1DblClick(TObject*) {
  Memo1->Clear();
  Memo1->Add(kMemoHeader);
}

// "GRAVAR": one message box per problem found; no box on success. An opened
// case is saved into its own folder, a new one into the current folder.
// The save runs on a worker, on a copy of the record (its arrays shared, not
// copied), so the window keeps painting, with a progress window once it has
// lasted; nothing else touches the table meanwhile.
void TForm1::Button1Click(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  const TCaseData record = CaseData;
  const std::string title = LabeledEdit22->Text(), name = LabeledEdit21->Text(), folder = case_folder_;
  std::vector<std::string> messages;
  {
    TProgress progress(this, "Gravando o caso...", false);
    progress.RunInWorker([&](const TProgress::TReport&) { messages = WriteCaseFile(record, title, name, folder); });
  }
  for (const std::string& message : messages) ShowError(message);
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

// ---- The interval table through the clipboard, and its load profile -------

void TForm1::BindTableHooks() {
  Memo1->OnPaste = Bind(this, &TForm1::PasteIntervalTable);
  Memo1->OnCopy = Bind(this, &TForm1::CopyIntervalTable);
  Memo1->AddMenuItem("Colar tabela de intervalos", Bind(this, &TForm1::PasteIntervalTable));
  Memo1->AddMenuItem("Copiar tabela de intervalos", Bind(this, &TForm1::CopyIntervalTable));
  Memo1->AddMenuItem("Ver perfil de carga", Bind(this, &TForm1::ShowLoadProfile));
}

// Reads the whole clipboard first: a bad row refuses everything with one
// box and changes nothing. A table of another length re-sizes the table as a
// typed count does (count field, the one warning, the up-down's range, memo
// reset); one of the same length only resets the memo. Either way the rows
// then fill intervals 1..R and the memo holds the header and one line per
// row, as "OK" would have logged them.
void TForm1::PasteIntervalTable(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  TPastedIntervals rows;
  {
    const std::string text = ClipboardText();
    TProgress progress(this, "Lendo a tabela de intervalos...", true);
    const TTableParseResult read = ParseIntervalTable(
        text, &rows, static_cast<std::size_t>(std::numeric_limits<int32_t>::max()),
        [&progress](std::size_t done, std::size_t total) { return progress.Step(done, total); });
    if (read.status == TTableParse::Stopped) return;
    if (read.status == TTableParse::Refused) {
      ShowError(read.message);
      return;
    }
  }
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
}

// The rows of the table, made when they are drawn or copied.
void TForm1::ShowTableInMemo() {
  Memo1->AddBlock(std::make_shared<TableMemoRows>(CaseData.durations, CaseData.loads,
                                                  static_cast<std::size_t>(std::max<int32_t>(CaseData.N, 0)),
                                                  WindowDecimalSeparator));
}

// Rows "intervalo<TAB>duração<TAB>carga" with the decimal comma, values
// written so that a paste gives back the same doubles.
void TForm1::CopyIntervalTable(TObject*) {
  if (table_busy_) return;
  const BusyScope busy(table_busy_);
  std::string text;
  {
    TProgress progress(this, "Copiando a tabela de intervalos...", true);
    if (!FormatIntervalTable(CaseData, &text,
                             [&progress](std::size_t done, std::size_t total) { return progress.Step(done, total); }))
      return;
  }
  SetClipboardText(text);
}

// One window, made on first use; asking again brings it to the front.
void TForm1::ShowLoadProfile(TObject*) {
  if (!profile_) profile_ = std::make_unique<TLoadProfileWindow>(this, &CaseData);
  profile_->Show();
}

void TForm1::TableChanged() noexcept {
  if (!profile_) return;
  TApplication::Dispatch([this](TObject*) { profile_->Refresh(); }, this);
}

// ---- Opening a case -------------------------------------------------------

namespace {

// A field's text for a value of the opened case: the window's display, and
// empty for 0.0 (either sign), as the fields start. An empty field leaves
// the record alone, so the value read stays exactly as it was.
std::string FieldText(double value) { return value == 0.0 ? std::string() : FormatRealText(value); }

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

constexpr std::size_t kBar = 1000;  // steps of the bar while the file is read

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
  std::string message;
  bool finished = false;
  {
    TProgress progress(this, "Abrindo o caso \"" + std::filesystem::path(path).filename().string() + "\"...", true);
    finished = progress.RunInWorker([&](const TProgress::TReport& report) {
      message = ReadCaseFile(path, &data, &title, [&report](uint64_t done, uint64_t total) {
        return report(static_cast<std::size_t>(kBar * static_cast<double>(done) /
                                                static_cast<double>(total > 0 ? total : 1)),
                      kBar);
      });
    });
  }
  if (!finished) return false;  // cancelled: nothing changed
  if (!message.empty()) {
    ShowError(message);
    return false;
  }
  case_folder_ = FolderOf(path);
  ShowCase(std::move(data), title, BaseNameOf(path));
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

    const std::pair<TLabeledEdit*, double> reals[] = {
        {LabeledEdit3, data.durations[0]}, {LabeledEdit4, data.loads[0]}, {LabeledEdit5, data.base},
        {LabeledEdit6, data.c0},           {LabeledEdit7, data.c},        {LabeledEdit8, data.q},
        {LabeledEdit9, data.Ptmin},        {LabeledEdit10, data.Ptmax},   {LabeledEdit12, data.a0},
        {LabeledEdit13, data.a1},          {LabeledEdit14, data.Vtot},    {LabeledEdit15, data.Phmin},
        {LabeledEdit11, data.Phmax},       {LabeledEdit16, data.Zeta0},   {LabeledEdit17, data.Zetat},
        {LabeledEdit18, data.Zetah},       {LabeledEdit19, data.Gammat},  {LabeledEdit20, data.Gammah},
    };
    LabeledEdit1->SetText(FormatIntegerText(data.N));
    LabeledEdit2->SetText("1");
    for (const auto& [edit, value] : reals) edit->SetText(FieldText(value));
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
