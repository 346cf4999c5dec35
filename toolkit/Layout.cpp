// Builds a window from its table of controls.
#include "toolkit/Layout.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>

#include "toolkit/Widgets.h"

namespace {

bool IsContainer(TControlKind kind) { return kind == TControlKind::GroupBox; }

bool IsTabStop(TControlKind kind) {
  return kind == TControlKind::LabeledEdit || kind == TControlKind::Memo || kind == TControlKind::Button ||
         kind == TControlKind::ListBox;
}

std::string ParentName(const TControlRow& row) { return row.parent ? row.parent : ""; }

// Walks the children of one parent in their tab order (declaration order
// among equal positions); a container is entered where it stands.
void CollectTabStops(std::span<const TControlRow> rows, const std::string& parent,
                     const std::map<std::string, TControl*>& made, std::vector<TControl*>& out) {
  std::vector<const TControlRow*> children;
  for (const TControlRow& row : rows)
    if (ParentName(row) == parent && row.tab >= 0) children.push_back(&row);
  std::stable_sort(children.begin(), children.end(),
                   [](const TControlRow* a, const TControlRow* b) { return a->tab < b->tab; });
  for (const TControlRow* row : children) {
    if (IsContainer(row->kind))
      CollectTabStops(rows, row->name, made, out);
    else if (IsTabStop(row->kind))
      out.push_back(made.at(row->name));
  }
}

}  // namespace

void LoadLayout(TForm& form, std::span<const TControlRow> rows) {
  std::map<std::string, TControl*> made;
  for (const TControlRow& row : rows) {
    QWidget* parent = form.ClientArea();
    if (row.parent) {
      auto it = made.find(row.parent);
      if (it == made.end()) throw std::logic_error(std::string("layout: parent not declared before ") + row.name);
      parent = it->second->Widget();
    }
    if (made.count(row.name)) throw std::logic_error(std::string("layout: duplicate control ") + row.name);
    const std::string_view text = row.text ? row.text : "";
    std::unique_ptr<TControl> control;
    switch (row.kind) {
      case TControlKind::Label: {
        auto label = std::make_unique<TLabel>(&form, row.name, parent);
        label->SetFont(row.font);
        label->Widget()->move(row.left, row.top);
        label->SetCaption(text);  // sized to its text, not to the table
        control = std::move(label);
        break;
      }
      case TControlKind::GroupBox: {
        auto group = std::make_unique<TGroupBox>(&form, row.name, parent);
        group->SetBounds(row.left, row.top, row.width, row.height);
        group->SetFont(row.font);
        group->SetCaption(text);
        control = std::move(group);
        break;
      }
      case TControlKind::LabeledEdit: {
        auto edit = std::make_unique<TLabeledEdit>(&form, row.name, parent);
        edit->SetBounds(row.left, row.top, row.width, row.height);
        edit->SetFont(row.font);
        edit->EditLabel()->SetCaption(row.label ? row.label : "");
        edit->SetMaxLength(row.max_length);
        edit->SetText(text);  // no handler is bound yet
        edit->PlaceLabel();
        control = std::move(edit);
        break;
      }
      case TControlKind::UpDown: {
        auto updown = std::make_unique<TUpDown>(&form, row.name, parent);
        updown->SetBounds(row.left, row.top, row.width, row.height);
        // The text column may name the associated edit.
        if (row.text) {
          auto it = made.find(row.text);
          if (auto* edit = it != made.end() ? dynamic_cast<TLabeledEdit*>(it->second) : nullptr)
            updown->SetAssociate(edit);
        }
        control = std::move(updown);
        break;
      }
      case TControlKind::Memo: {
        auto memo = std::make_unique<TMemo>(&form, row.name, parent);
        memo->SetBounds(row.left, row.top, row.width, row.height);
        memo->SetFont(row.font);
        if (row.text) memo->Add(text);
        control = std::move(memo);
        break;
      }
      case TControlKind::Button: {
        auto button = std::make_unique<TButton>(&form, row.name, parent);
        button->SetBounds(row.left, row.top, row.width, row.height);
        button->SetFont(row.font);
        button->SetCaption(text);
        control = std::move(button);
        break;
      }
      case TControlKind::ListBox: {
        auto list = std::make_unique<TListBox>(&form, row.name, parent);
        list->SetBounds(row.left, row.top, row.width, row.height);
        list->SetFont(row.font);
        control = std::move(list);
        break;
      }
    }
    if (parent->isVisible()) control->Widget()->show();
    made[row.name] = control.get();
    form.AddControl(std::move(control));
  }
  std::vector<TControl*> sequence;
  CollectTabStops(rows, "", made, sequence);
  form.SetTabSequence(std::move(sequence));
}

void layout_detail::UnboundField(const char* name) {
  throw std::logic_error(std::string("layout: no control of the field's kind named ") + name);
}
