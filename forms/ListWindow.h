#pragma once
// A window beside the main one that lists what is found in its record (a
// check's findings, a comparison's differences): a line above, the list
// below. Not modal; while open it follows the record, and a double-click on
// a row (or Enter) shows the row's field in the main window.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "toolkit/Toolkit.h"

class TForm1;

class TListWindow : public TForm {
public:
  TLabel* Label1 = nullptr;      // what the list holds, and how many
  TListBox* ListBox1 = nullptr;  // one row each

  // Makes the list again from the record now.
  virtual void Refresh() = 0;
  // The record changed: the list is made again once the handler that
  // changed it has returned (many changes in a row make it once).
  void RecordChanged();

  void ListBox1DblClick(TObject* Sender);

protected:
  TListWindow(TForm1* owner, const char* caption);

  // A row's field by its record name, and its interval where it has one.
  struct TFieldPlace {
    std::string field;
    std::optional<int32_t> interval;
  };
  // The field of the list's row, none for a row without one.
  virtual std::optional<TFieldPlace> FieldOfRow(std::size_t row) const = 0;

  TForm1* owner_;
  bool pending_ = false;
};
