#include "forms/CompareWindow.h"

#include <filesystem>

#include "case/CaseFields.h"
#include "case/CaseReader.h"
#include "forms/CaseReading.h"
#include "forms/Unit1.h"
#include "toolkit/MessageBox.h"

namespace {

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

}  // namespace

TCompareWindow::TCompareWindow(TForm1* owner) : TListWindow(owner, kCaption) {
  // The title has no handler in the main window: it is read again whenever
  // this window is brought back, and compared again if it changed.
  OnActivate = [this](TObject*) {
    if (pending_ || owner_->CaseTitle() != compared_title_) Refresh();
  };
}

bool TCompareWindow::Load(const std::string& path) {
  TCaseData data;
  std::string title;
  const std::optional<TStatus> read = ReadCaseInWorker(owner_, "Lendo o caso", path, &data, &title);
  if (!read) return false;  // cancelled
  if (!*read) {
    ShowMessageBox(owner_, FailureNamingFile(read->Error()), "ERRO!");
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
  compared_title_ = owner_->CaseTitle();
  TResult<std::vector<TDifference>> diff = DiffCases(owner_->CaseData, compared_title_, other_, other_title_);
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

std::optional<TListWindow::TFieldPlace> TCompareWindow::FieldOfRow(std::size_t row) const {
  if (row >= differences_.size()) return std::nullopt;
  return TFieldPlace{differences_[row].field, differences_[row].interval};
}
