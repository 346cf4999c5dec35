#pragma once
// The check window: what the check of the case finds in the main window's
// record, one finding per row, errors first. Not modal; it follows the
// record while it is open. A double-click on a finding (or Enter) shows its
// field in the main window.

#include <vector>

#include "case/CaseCheck.h"
#include "toolkit/Toolkit.h"

class TForm1;

class TCheckWindow : public TForm {
public:
  explicit TCheckWindow(TForm1* owner);

  TLabel* Label1 = nullptr;      // the count of errors and warnings
  TListBox* ListBox1 = nullptr;  // the findings

  // Checks the record now.
  void Refresh();
  // The record changed: checked again once the handler that changed it
  // has returned (many changes in a row are checked once).
  void RecordChanged();

  const std::vector<TFinding>& Findings() const { return findings_; }

  void ListBox1DblClick(TObject* Sender);

  static constexpr const char* kCaption = "ZORMEK - Verificação do caso";
  static constexpr const char* kNothingFound = "Nenhum problema encontrado.";

private:
  TForm1* owner_;
  std::vector<TFinding> findings_;
  bool pending_ = false;
};
