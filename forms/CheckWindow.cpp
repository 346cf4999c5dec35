#include "forms/CheckWindow.h"

#include <span>
#include <string>

#include "forms/Unit1.h"
#include "toolkit/Layout.h"

namespace {

using K = TControlKind;

// name, kind, parent, left, top, width, height, text, label, font, max, tab
constexpr TControlRow kLayout[] = {
    {"Label1", K::Label, nullptr, 8, 8, 624, 15, "", nullptr, {"MS Sans Serif", 12, true}, 0, -1},
    {"ListBox1", K::ListBox, nullptr, 8, 28, 624, 324, nullptr, nullptr, {"MS Sans Serif", 12, false}, 0, 0},
};

constexpr TFieldBinding<TCheckWindow> kFields[] = {
    ZK_FIELD(TCheckWindow, Label1),
    ZK_FIELD(TCheckWindow, ListBox1),
};

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

TCheckWindow::TCheckWindow(TForm1* owner) : TForm(nullptr), owner_(owner) {
  SetCaption(kCaption);
  SetFont({"MS Sans Serif", 11, false});
  SetBorderStyle(TBorderStyle::Single);
  SetClientSize(640, 360);
  LoadLayout(*this, std::span<const TControlRow>(kLayout));
  BindFields(*this, kFields);
  ListBox1->OnDblClick = Bind(this, &TCheckWindow::ListBox1DblClick);
  // Beside the main window where the screen has room. Not kept above it:
  // going to a field brings the main window, and the field, to the front.
  PlaceBeside(*owner);
}

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

void TCheckWindow::RecordChanged() {
  if (pending_ || !Visible()) return;
  pending_ = true;
  Post([this](TObject*) {
    if (pending_) Refresh();
  });
}

void TCheckWindow::ListBox1DblClick(TObject*) {
  const int i = ListBox1->ItemIndex();
  if (i < 0 || static_cast<std::size_t>(i) >= findings_.size()) return;
  const TFinding finding = findings_[static_cast<std::size_t>(i)];  // showing it may check again
  owner_->ShowField(finding.field, finding.interval);
}
