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
#include "toolkit/Toolkit.h"

class TForm1;

class TCompareWindow : public TForm {
public:
  explicit TCompareWindow(TForm1* owner);

  TLabel* Label1 = nullptr;      // which case is compared, and how many differences
  TListBox* ListBox1 = nullptr;  // the differences

  // Reads the saved case to compare with (progress and "Cancelar" when it
  // lasts) and compares. A file that cannot be read shows why ("ERRO!") and
  // keeps the case compared before; false then, and when cancelled.
  bool Load(const std::string& path);
  // Compares again now (the main window's title is read again too).
  void Refresh();
  // The record changed: compared again once the handler that changed it has
  // returned.
  void RecordChanged();

  const TCaseData& Other() const { return other_; }
  // The saved case's file name, as the rows and the chart name it.
  const std::string& OtherName() const { return other_name_; }
  const std::vector<TDifference>& Differences() const { return differences_; }

  void ListBox1DblClick(TObject* Sender);

  static constexpr const char* kCaption = "ZORMEK - Comparação de casos";

private:
  TForm1* owner_;
  TCaseData other_;
  std::string other_title_;
  std::string other_name_;
  std::vector<TDifference> differences_;
  bool pending_ = false;
};
