#include "forms/CheckWindow.h"

#include <string>

#include "forms/Unit1.h"

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

TCheckWindow::TCheckWindow(TForm1* owner) : TListWindow(owner, kCaption) {}

void TCheckWindow::Refresh() {
  pending_ = false;
  findings_ = CheckCase(owner_->CaseData);
  std::size_t errors = 0;
  for (const TFinding& f : findings_) errors += f.severity == TSeverity::Error;
  const std::size_t warnings = findings_.size() - errors;
  Label1->SetCaption(findings_.empty() ? std::string(kNothingFound)
                                       : Count(errors, "erro", "erros") + " e " + Count(warnings, "aviso", "avisos") +
                                             ". Clique duas vezes numa linha para ir ao campo.");
  if (findings_.empty()) {
    ListBox1->SetItems(1, [](int) { return std::string(kNothingFound); });
    return;
  }
  ListBox1->SetItems(static_cast<int>(findings_.size()), [this](int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= findings_.size()) return std::string();
    const TFinding& f = findings_[static_cast<std::size_t>(i)];
    return std::string(f.severity == TSeverity::Error ? "Erro: " : "Aviso: ") + f.message;
  });
}

std::optional<TListWindow::TFieldPlace> TCheckWindow::FieldOfRow(std::size_t row) const {
  if (row >= findings_.size()) return std::nullopt;
  return TFieldPlace{findings_[row].field, findings_[row].interval};
}
