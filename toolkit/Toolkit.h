#pragma once
// The controls the windows are written against, over Qt Widgets.
//
// Event rules the handlers rely on (each proven in tests/toolkit):
//  1. OnChange: once per editing action of the user (even one that leaves the
//     text as it was), once per assignment by code of a *different* text,
//     nothing for the same text; a handler assigning its own edit runs nested.
//  2. Loading a layout raises nothing: texts are in place before handlers
//     are bound.
//  3. OnEnter/OnExit only for focus moves between controls of one window; a
//     switch to another window or application raises neither. A button press
//     moves the focus first, so OnExit of the field runs before OnClick.
//  4. When a form is first activated the focus goes to its first tab stop and
//     that control's OnEnter runs.
//  5. Entering an edit by keyboard or initial focus selects its whole text; a
//     mouse entry puts the caret at the click.
//  6. No default or cancel buttons: Enter in an edit and Escape press nothing;
//     Space or Enter press the focused button.
//  7. MaxLength refuses typed and pasted characters beyond it, never cuts a
//     text assigned by code.
//  8. TUpDown: 16-bit range, steps from a typed in-range number, no wrap,
//     reversed range when Max < Min, Up/Down keys in the bound edit, digits
//     grouped with the system's thousands separator from 1000 on.
//
// Every handler runs through TApplication::Dispatch, which catches anything
// thrown and shows it in the error display, so no exception crosses Qt.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/MemoStore.h"

class QWidget;
class QLabel;
class QGroupBox;
class QPushButton;
class QLineEdit;
class QToolButton;
class QListView;
class QMenu;
namespace tk {
class Memo;
}

class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
// Files dropped onto a form: their local paths, in the order of the drop.
using TDropFilesEvent = std::function<void(TObject* Sender, const std::vector<std::string>& Paths)>;

// Binds a handler method of a form: Bind(this, &TForm1::set_vectors).
template <class F>
TNotifyEvent Bind(F* form, void (F::*method)(TObject*)) {
  return [form, method](TObject* sender) { (form->*method)(sender); };
}

// A font as face, character (em) height in pixels, weight. Faces missing on
// the system ("MS Sans Serif", "Arial") get stand-ins whose widths fit.
struct TFontDesc {
  const char* face = nullptr;  // nullptr: take the parent's font
  int height = 0;
  bool bold = false;
};

class TForm;

class TControl : public TObject {
public:
  ~TControl() override;
  const std::string& Name() const { return name_; }
  QWidget* Widget() const { return widget_; }
  TForm* Form() const { return form_; }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetBounds(int left, int top, int width, int height);
  void SetFont(const TFontDesc& font);

  bool Focused() const;
  void SetFocus();

protected:
  TControl(TForm* form, std::string name, QWidget* widget);
  TForm* form_;
  std::string name_;
  QWidget* widget_;  // owned by its Qt parent
};

class TLabel : public TControl {
public:
  TLabel(TForm* form, std::string name, QWidget* parent);
  std::string Caption() const;
  void SetCaption(std::string_view text);  // resizes the label to its text
  QLabel* Qt() const;
};

class TGroupBox : public TControl {
public:
  TGroupBox(TForm* form, std::string name, QWidget* parent);
  std::string Caption() const;
  void SetCaption(std::string_view text);
  QGroupBox* Qt() const;
};

class TButton : public TControl {
public:
  TButton(TForm* form, std::string name, QWidget* parent);
  std::string Caption() const;
  void SetCaption(std::string_view text);
  void Click();  // as a press by the user: runs OnClick through Dispatch
  QPushButton* Qt() const;
  TNotifyEvent OnClick;
};

class TLabeledEdit : public TControl {
public:
  TLabeledEdit(TForm* form, std::string name, QWidget* parent);
  ~TLabeledEdit() override;

  std::string Text() const;  // UTF-8
  // Compares first: the same text does nothing at all (no event, caret and
  // selection untouched); a different text raises OnChange once.
  void SetText(std::string_view text);

  int MaxLength() const;             // 0: no limit
  void SetMaxLength(int characters);  // limits typing and pasting only

  int SelStart() const;  // caret position, in characters
  void SetSelStart(int position);
  int GetTextLen() const;  // the text's length in caret positions (its end)
  int SelLength() const;
  void SelectAll();

  TLabel* EditLabel() const { return label_.get(); }
  QLineEdit* Qt() const;

  TNotifyEvent OnChange;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Keeps the caption label 3 px above the edit, left-aligned with it.
  void PlaceLabel();

  // How often the text has changed since the edit was made (every change,
  // whoever made it, counts once, also while no OnChange is bound). Two equal
  // counts mean the text between them is the same.
  std::uint64_t ChangeCount() const { return changes_; }

private:
  std::unique_ptr<TLabel> label_;
  std::uint64_t changes_ = 0;
};

class TUpDown : public TControl {
public:
  TUpDown(TForm* form, std::string name, QWidget* parent);

  int16_t Min() const { return min_; }
  int16_t Max() const { return max_; }
  int16_t Position() const { return position_; }
  void SetMin(int16_t v) { min_ = v; }
  void SetMax(int16_t v) { max_ = v; }       // applied unchanged, even below Min
  void SetPosition(int16_t v);                // writes nothing into the edit
  void SetAssociate(TLabeledEdit* edit);      // arrows and Up/Down keys drive it
  TLabeledEdit* Associate() const { return associate_; }
  void SetThousands(bool on) { thousands_ = on; }

  // One step as the arrows do it: +1 towards Max (up) or -1 towards Min.
  void StepUp();
  void StepDown();

  QWidget* UpArrow() const;
  QWidget* DownArrow() const;

  // The thousands separator used for grouping; empty means no grouping.
  // Defaults to the operating system's; tests may replace it.
  static void SetGroupSeparatorForTesting(const std::string* separator);
  static std::string GroupSeparator();

private:
  void Step(int direction);
  void ArrowClicked(QToolButton* arrow, int direction);
  std::string FormatPosition() const;
  int16_t min_ = 0, max_ = 100, position_ = 0;
  bool thousands_ = true;
  bool stepping_ = false;
  TLabeledEdit* associate_ = nullptr;
};

// A read-only list of lines with a vertical scroll bar; long lines wrap at
// its width. Only the lines in view are laid out and drawn, so its cost is
// that of the lines it holds, and a block of lines made on demand (the rows
// of a table) holds nothing but its source.
class TMemo : public TControl {
public:
  TMemo(TForm* form, std::string name, QWidget* parent);
  void Clear();
  void Add(std::string_view line);  // appends one line, cost independent of length
  // Appends many lines as one edit: `lines` holds them separated by "\n"
  // (no "\n" after the last). The same lines as one Add each, in one step.
  void AddLines(std::string_view lines);
  // Appends lines->Count() lines that are made when drawn or copied.
  void AddBlock(std::shared_ptr<const TMemoLines> lines);
  int LineCount() const;
  std::string Line(int index) const;
  tk::Memo* Qt() const;
  TNotifyEvent OnDblClick;

  // The memo stays read-only; these let its form act on the usual keys.
  // OnPaste: Ctrl+V or Shift+Insert. OnCopy: Ctrl+C or Ctrl+Insert while
  // nothing is selected (with a selection the keys copy it, as always).
  TNotifyEvent OnPaste;
  TNotifyEvent OnCopy;

  // An entry of the memo's context menu, after the standard ones; its
  // handler runs through the dispatch point once the menu has closed.
  struct TMenuItem {
    std::string caption;
    TNotifyEvent OnClick;
  };
  void AddMenuItem(std::string_view caption, TNotifyEvent handler);
  const std::vector<TMenuItem>& MenuItems() const { return menu_items_; }

private:
  std::vector<TMenuItem> menu_items_;
};

// A list of text rows, read-only, one row selected at a time. Rows are asked
// for only when drawn, so a list of millions costs what its rows' texts
// cost the caller, not a widget per row.
class TListBox : public TControl {
public:
  TListBox(TForm* form, std::string name, QWidget* parent);
  ~TListBox() override;
  using TItemText = std::function<std::string(int index)>;
  // Replaces the rows: `count` rows whose texts `text` gives. The selected
  // row and the scroll position stay where they were as far as the new
  // rows reach.
  void SetItems(int count, TItemText text);
  int Count() const;
  std::string Item(int index) const;  // "" outside 0..Count()-1
  int ItemIndex() const;  // the selected row, -1 for none
  void SetItemIndex(int index);
  QListView* Qt() const;
  // A double-click on a row, or Enter on the selected one; ItemIndex() is
  // that row.
  TNotifyEvent OnDblClick;

private:
  struct Model;
  Model* model_;  // owned by the widget
};

enum class TBorderStyle { Single, Sizeable };

class TForm : public TObject {
public:
  // owner: the application object or nullptr; owned forms are deleted when
  // the application ends unless deleted before.
  explicit TForm(TObject* owner);
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  QWidget* Widget() const;      // the top-level window
  QWidget* ClientArea() const;  // parent of the controls placed on the form

  std::string Caption() const;
  void SetCaption(std::string_view text);
  void SetClientSize(int width, int height);
  // Frame and title bar included, by the frame the window manager reports
  // once the window is mapped; the client area has that size where none is
  // reported.
  void SetOuterSize(int width, int height);
  void SetBorderStyle(TBorderStyle style);   // no maximize button either way
  void SetFont(const TFontDesc& font);
  void SetFramePosition(int left, int top);  // top-left corner of the frame
  // From now on the frame stays inside the available area of its screen:
  // shifted in where the place set would put it partly outside, at the
  // area's top left when it is larger than the area.
  void KeepOnScreen();
  // left = owner.left + (owner.width - width) / 2, same for top; outer sizes,
  // truncated halves, negatives become 0. Worked out again once the window
  // manager has reported the frame.
  void CenterOver(const TForm& owner);
  // Places the frame beside the owner's where it covers none of it: to its
  // right, else to its left, else below it, whichever fits the available
  // area of the owner's screen first; where none fits, to its right, kept
  // on the screen. The frame is reckoned as wide as the owner's.
  void PlaceBeside(const TForm& owner);
  // The window manager keeps this window with the owner's (above it,
  // minimized with it). Call before the form is first shown.
  void SetTransientFor(const TForm& owner);

  int Left() const;    // frame
  int Top() const;
  int OuterWidth() const;
  int OuterHeight() const;

  void Show();
  void Close();
  // Runs a modal loop until the form is closed, however it is closed.
  void ShowModal();
  bool Modal() const;

  // Brings the window to the front and makes it the active one, where it
  // stands.
  void BringToFront();

  // The control the focus goes to when the window is first activated (the
  // first tab stop unless set); an edit gets its text selected.
  void SetFirstFocus(TControl* control) { first_focus_ = control; }

  // Runs the handler later on the window thread, through the dispatch
  // point, once what runs now has returned; never if the form is gone first.
  void Post(TNotifyEvent handler);

  // The window's own context menu: a right-click on the window's
  // background, a label, a group box or a button opens it (edits and the
  // memo keep their own). An entry may have a shortcut ("Ctrl+O", "F7"),
  // shown in the menu and working wherever the focus is in this window
  // while no other window is modal. Handlers run through the dispatch
  // point; chosen from the menu, once the menu has closed.
  void AddMenuItem(std::string_view caption, std::string_view shortcut, TNotifyEvent handler);
  void AddMenuSeparator();
  // The entries as the menu lists them: "caption", "caption\tshortcut",
  // or "" for a separator.
  std::vector<std::string> MenuEntries() const;
  // The menu as a right-click at `at` (client-area coordinates) opens it,
  // not yet shown; the caller owns it.
  QMenu* CreateContextMenu() const;

  // Each time the window becomes the active one.
  TNotifyEvent OnActivate;
  // When the window is closed (by the user or by Close()).
  TNotifyEvent OnClose;
  bool Visible() const;

  TControl* ActiveControl() const { return active_; }
  TControl* FindControl(std::string_view name) const;
  const std::vector<TControl*>& Controls() const { return controls_; }
  // The tab stops in the order the Tab key walks them.
  const std::vector<TControl*>& TabSequence() const { return tab_sequence_; }

  // Layout loading uses these.
  void AddControl(std::unique_ptr<TControl> control);
  void SetTabSequence(std::vector<TControl*> sequence);

  // Local files dropped onto the window. Runs through TApplication::Dispatch
  // once the drop itself has completed (so a message box it opens does not
  // run inside the drag and drop). While unset, the window takes no files;
  // while set, a file dropped onto an edit is not pasted as text but goes
  // here. Nothing is taken while another window is modal.
  TDropFilesEvent OnDropFiles;

  // Called by the toolkit when the focus moves inside this form.
  void FocusMoved(TControl* to, int qt_focus_reason);
  void FirstActivation();
  // Called by the toolkit as the window's geometry changes: the first time a
  // frame shows, the outer size and the place are applied again with it.
  void FrameReported();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<std::unique_ptr<TControl>> owned_;
  std::vector<TControl*> controls_;
  std::vector<TControl*> tab_sequence_;
  TControl* active_ = nullptr;
  TControl* first_focus_ = nullptr;
  TObject* owner_ = nullptr;
  friend class TApplication;
};
