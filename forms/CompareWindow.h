#pragma once
// The compare window: the differences between the main window's record and
// a saved case, one per row: the title, each scalar and parameter, the
// interval count and the intervals both have. Not modal; it follows the
// record while it is open. A double-click on a difference (or Enter) shows
// its field in the main window.

#include <string>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseDiff.h"
#include "forms/ListWindow.h"

class TCompareWindow : public TListWindow {
public:
  explicit TCompareWindow(TForm1* owner);

  // Reads the saved case to compare with (progress and "Cancelar" when it
  // lasts) and compares. A file that cannot be read shows why ("ERRO!") and
  // keeps the case compared before; false then, and when cancelled.
  bool Load(const std::string& path);
  // Compares again now (the main window's title is read again too; Label1:
  // which case is compared, and how many differences).
  void Refresh() override;

  const TCaseData& Other() const { return other_; }
  // The saved case's file name, as the rows and the chart name it.
  const std::string& OtherName() const { return other_name_; }
  const std::vector<TDifference>& Differences() const { return differences_; }

  static constexpr const char* kCaption = "ZORMEK - Comparação de casos";

private:
  std::optional<TFieldPlace> FieldOfRow(std::size_t row) const override;

  TCaseData other_;
  std::string other_title_;
  std::string compared_title_;  // the main window's title at the last comparison
  std::string other_name_;
  std::vector<TDifference> differences_;
};
