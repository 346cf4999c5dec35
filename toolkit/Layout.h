#pragma once
// Windows are declared as one table of controls and built in one loop.

#include <span>

#include "toolkit/Toolkit.h"

enum class TControlKind { Label, GroupBox, LabeledEdit, UpDown, Memo, Button };

struct TControlSpec {
  const char* name;
  TControlKind kind;
  const char* parent;  // nullptr: the form itself
  int left, top, width, height;
  const char* text;    // caption; initial text of an edit; memo's first line
  const char* label;   // caption label of a labelled edit
  TFontSpec font;      // face nullptr: the parent's font
  int max_length;      // labelled edits: 0 = no limit
  int tab;             // position in the parent's tab order; -1: not a stop
};

// Creates every control of the table on the form, with its texts in place
// and no handler bound (so no event runs), and sets the tab sequence from the
// per-parent tab positions (containers are walked where they stand).
void LoadLayout(TForm& form, std::span<const TControlSpec> rows);
