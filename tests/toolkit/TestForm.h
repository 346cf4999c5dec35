#pragma once
// A small window built from a control table, with every handler bound to an
// event log, for the toolkit's event-rule tests.

#include <QLineEdit>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tests/support/GuiTest.h"
#include "toolkit/Application.h"
#include "toolkit/Layout.h"
#include "toolkit/Toolkit.h"

namespace zktest {

using K = TControlKind;
inline constexpr TFontDesc kEditFont{"MS Sans Serif", 12, false};
inline constexpr TFontDesc kGroupFont{"MS Sans Serif", 13, true};

// Declaration order differs from the tab order on purpose: the sequence must
// come from the tab positions, entering the group where it stands.
//   name, kind, parent, left, top, width, height, text, label, font, max, tab
inline constexpr TControlRow kTestLayout[] = {
    {"Title", K::Label, nullptr, 8, 4, 100, 13, "Test window", nullptr, {}, 0, -1},
    {"Last", K::LabeledEdit, nullptr, 260, 240, 80, 21, "", "Last:", kEditFont, 5, 3},
    {"First", K::LabeledEdit, nullptr, 8, 40, 105, 21, "1", "First:", kEditFont, 10, 0},
    {"Group", K::GroupBox, nullptr, 8, 72, 240, 200, "Group", nullptr, kGroupFont, 0, 1},
    {"Number", K::LabeledEdit, "Group", 16, 40, 73, 21, "1", "Number:", kEditFont, 10, 0},
    {"Spin", K::UpDown, "Group", 89, 40, 17, 21, "Number", nullptr, {}, 0, 2},
    {"Word", K::LabeledEdit, "Group", 120, 40, 100, 21, "abc", "Word:", kEditFont, 0, 1},
    {"List", K::Memo, "Group", 16, 80, 200, 65, "header", nullptr, {"MS Sans Serif", 10, false}, 0, 3},
    {"Ok", K::Button, "Group", 16, 160, 60, 25, "OK", nullptr, {"MS Sans Serif", 11, false}, 0, 4},
    {"Save", K::Button, nullptr, 260, 200, 80, 25, "Save", nullptr, {"MS Sans Serif", 11, true}, 0, 2},
};

class TestForm : public TForm {
public:
  explicit TestForm(std::span<const TControlRow> rows = kTestLayout, bool bind = true, TObject* owner = nullptr)
      : TForm(owner) {
    SetCaption("Test");
    SetClientSize(360, 280);
    SetFont({"MS Sans Serif", 11, false});
    LoadLayout(*this, rows);
    if (bind) BindAll();
  }

  TLabeledEdit* Edit(std::string_view name) const { return dynamic_cast<TLabeledEdit*>(FindControl(name)); }
  TButton* Button(std::string_view name) const { return dynamic_cast<TButton*>(FindControl(name)); }
  TMemo* Memo(std::string_view name) const { return dynamic_cast<TMemo*>(FindControl(name)); }
  TUpDown* UpDown(std::string_view name) const { return dynamic_cast<TUpDown*>(FindControl(name)); }
  QLineEdit* Line(std::string_view name) const { return Edit(name)->Qt(); }

  // Every event of every control appends "<event>:<control>" (a change also
  // the new text).
  void BindAll() {
    for (TControl* control : Controls()) {
      const std::string name = control->Name();
      if (auto* edit = dynamic_cast<TLabeledEdit*>(control)) {
        edit->OnChange = [this, edit, name](TObject*) { log.push_back("change:" + name + "=" + edit->Text()); };
        edit->OnEnter = [this, name](TObject*) { log.push_back("enter:" + name); };
        edit->OnExit = [this, name](TObject*) { log.push_back("exit:" + name); };
      } else if (auto* button = dynamic_cast<TButton*>(control)) {
        button->OnClick = [this, name](TObject*) { log.push_back("click:" + name); };
      } else if (auto* memo = dynamic_cast<TMemo*>(control)) {
        memo->OnDblClick = [this, name](TObject*) { log.push_back("dblclick:" + name); };
      }
    }
  }

  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

}  // namespace zktest
