#pragma once
// Windows are declared as one table of controls and built in one loop.

#include <span>

#include "toolkit/Toolkit.h"

enum class TControlKind { Label, GroupBox, LabeledEdit, UpDown, Memo, Button, ListBox };

struct TControlRow {
  const char* name;
  TControlKind kind;
  const char* parent;  // nullptr: the form itself
  int left, top, width, height;
  const char* text;    // caption; initial text of an edit; memo's first line;
                       // the name of an up-down's edit
  const char* label;   // caption label of a labelled edit
  TFontDesc font;      // face nullptr: the parent's font
  int max_length;      // labelled edits: 0 = no limit
  int tab;             // position in the parent's tab order; -1: not a stop
};

// Creates every control of the table on the form, with its texts in place
// and no handler bound (so no event runs), and sets the tab sequence from the
// per-parent tab positions (containers are walked where they stand).
void LoadLayout(TForm& form, std::span<const TControlRow> rows);

// Points a form's control fields at the controls its layout made, by name:
//   constexpr TFieldBinding<TForm1> kFields[] = {ZK_FIELD(TForm1, Label1), ...};
//   BindFields(*this, kFields);
// A name the layout lacks, or a control of another kind, is a programming
// error: std::logic_error.
template <class F>
struct TFieldBinding {
  const char* name;
  bool (*assign)(F&, TControl*);
};

namespace layout_detail {
template <class M>
struct FieldOf;
template <class C, class T>
struct FieldOf<T* C::*> {
  using form = C;
  using control = T;
};
[[noreturn]] void UnboundField(const char* name);
}  // namespace layout_detail

template <auto Member>
bool AssignField(typename layout_detail::FieldOf<decltype(Member)>::form& form, TControl* control) {
  using T = typename layout_detail::FieldOf<decltype(Member)>::control;
  form.*Member = dynamic_cast<T*>(control);
  return form.*Member != nullptr;
}

template <class F, std::size_t N>
void BindFields(F& form, const TFieldBinding<F> (&fields)[N]) {
  for (const TFieldBinding<F>& f : fields) {
    if (!f.assign(form, form.FindControl(f.name))) layout_detail::UnboundField(f.name);
  }
}

#define ZK_FIELD(Form, name) TFieldBinding<Form>{#name, &AssignField<&Form::name>}
