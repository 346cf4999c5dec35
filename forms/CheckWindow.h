#pragma once
// The check window: what the check of the case finds in the main window's
// record, one finding per row, errors first. Not modal; it follows the
// record while it is open. A double-click on a finding (or Enter) shows its
// field in the main window.

#include <vector>

#include "case/CaseCheck.h"
#include "forms/ListWindow.h"

class TCheckWindow : public TListWindow {
public:
  explicit TCheckWindow(TForm1* owner);

  // Checks the record now (Label1: the count of errors and warnings).
  void Refresh() override;

  const std::vector<TFinding>& Findings() const { return findings_; }

  static constexpr const char* kCaption = "ZORMEK - Verificação do caso";
  static constexpr const char* kNothingFound = "Nenhum problema encontrado.";

private:
  std::optional<TFieldPlace> FieldOfRow(std::size_t row) const override;

  std::vector<TFinding> findings_;
};
