#include "forms/CompareWindow.h"

#include <filesystem>
#include <span>

#include "case/CaseFields.h"
#include "case/CaseReader.h"
#include "forms/Unit1.h"
#include "toolkit/Layout.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Progress.h"

namespace {

using K = TControlKind;

// name, kind, parent, left, top, width, height, text, label, font, max, tab
constexpr TControlRow kLayout[] = {
    {"Label1", K::Label, nullptr, 8, 8, 624, 15, "", nullptr, {"MS Sans Serif", 12, true}, 0, -1},
    {"ListBox1", K::ListBox, nullptr, 8, 28, 624, 324, nullptr, nullptr, {"MS Sans Serif", 12, false}, 0, 0},
};

constexpr TFieldBinding<TCompareWindow> kFields[] = {
    ZK_FIELD(TCompareWindow, Label1),
    ZK_FIELD(TCompareWindow, ListBox1),
};

// The reader's verdict: "" when the case was read, else its message, which
// names the file.
std::string ReadCase(const std::string& path, TCaseData* data, std::string* title, const TReadProgress& progress) {
  const TStatus read = ReadCaseFile(path, data, title, progress);
  return read ? std::string() : FailureNamingFile(read.Error());
}

// "Pt (max):" -> "Pt (max)"
std::string_view Bare(std::string_view caption) {
  return !caption.empty() && caption.back() == ':' ? caption.substr(0, caption.size() - 1) : caption;
}

// Carga (MW), intervalo 3: 500 → 650      Título do caso em estudo: "A" → "B"
std::string Row(const TDifference& d) {
  std::string row(Bare(FieldCaption(d.field)));
  if (d.interval) row += ", intervalo " + std::to_string(*d.interval);
  row += ": ";
  if (d.field == "title") return row + "\"" + d.a + "\" → \"" + d.b + "\"";
  return row + d.a + " → " + d.b;
}

constexpr std::size_t kBar = 1000;

}  // namespace

TCompareWindow::TCompareWindow(TForm1* owner) : TForm(nullptr), owner_(owner) {
  SetCaption(kCaption);
  SetFont({"MS Sans Serif", 11, false});
  SetBorderStyle(TBorderStyle::Single);
  SetClientSize(640, 360);
  LoadLayout(*this, std::span<const TControlRow>(kLayout));
  BindFields(*this, kFields);
  ListBox1->OnDblClick = Bind(this, &TCompareWindow::ListBox1DblClick);
  // The title has no handler in the main window: it is read again whenever
  // this window is brought back.
  OnActivate = [this](TObject*) { Refresh(); };
  PlaceBeside(*owner);  // as the check window
}

bool TCompareWindow::Load(const std::string& path) {
  TCaseData data;
  std::string title;
  std::string message;
  bool finished = false;
  {
    TProgress progress(owner_, "Lendo o caso \"" + std::filesystem::path(path).filename().string() + "\"...", true);
    finished = progress.RunInWorker([&](const TProgress::TReport& report) {
      message = ReadCase(path, &data, &title, [&report](std::uint64_t done, std::uint64_t total) {
        return report(static_cast<std::size_t>(static_cast<double>(kBar) * static_cast<double>(done) /
                                                static_cast<double>(total > 0 ? total : 1)),
                      kBar);
      });
    });
  }
  if (!finished) return false;
  if (!message.empty()) {
    ShowMessageBox(owner_, message, "ERRO!");
    return false;
  }
  other_ = std::move(data);
  other_title_ = std::move(title);
  other_name_ = std::filesystem::path(path).filename().string();
  Refresh();
  return true;
}

void TCompareWindow::Refresh() {
  pending_ = false;
  if (other_name_.empty()) return;  // nothing read yet
  TResult<std::vector<TDifference>> diff = DiffCases(owner_->CaseData, owner_->CaseTitle(), other_, other_title_);
  differences_ = diff ? std::move(*diff) : std::vector<TDifference>{};
  const std::string name = "\"" + other_name_ + "\"";
  if (differences_.empty()) {
    Label1->SetCaption("Este caso e " + name + " são iguais.");
    ListBox1->SetItems(1, [](int) { return std::string("Nenhuma diferença."); });
    return;
  }
  const std::size_t n = differences_.size();
  Label1->SetCaption(std::to_string(n) + (n == 1 ? " diferença" : " diferenças") + " entre este caso (à esquerda) e " +
                     name + " (à direita).");
  ListBox1->SetItems(static_cast<int>(n), [this](int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= differences_.size()) return std::string();
    return Row(differences_[static_cast<std::size_t>(i)]);
  });
}

void TCompareWindow::RecordChanged() {
  if (pending_ || !Visible()) return;
  pending_ = true;
  Post([this](TObject*) {
    if (pending_) Refresh();
  });
}

void TCompareWindow::ListBox1DblClick(TObject*) {
  const int i = ListBox1->ItemIndex();
  if (i < 0 || static_cast<std::size_t>(i) >= differences_.size()) return;
  const TDifference difference = differences_[static_cast<std::size_t>(i)];
  owner_->ShowField(difference.field, difference.interval);
}
