#include "forms/ListWindow.h"

#include <span>

#include "forms/Unit1.h"
#include "toolkit/Layout.h"

namespace {

using K = TControlKind;

// name, kind, parent, left, top, width, height, text, label, font, max, tab
constexpr TControlRow kLayout[] = {
    {"Label1", K::Label, nullptr, 8, 8, 624, 15, "", nullptr, {"MS Sans Serif", 12, true}, 0, -1},
    {"ListBox1", K::ListBox, nullptr, 8, 28, 624, 324, nullptr, nullptr, {"MS Sans Serif", 12, false}, 0, 0},
};

constexpr TFieldBinding<TListWindow> kFields[] = {
    ZK_FIELD(TListWindow, Label1),
    ZK_FIELD(TListWindow, ListBox1),
};

}  // namespace

TListWindow::TListWindow(TForm1* owner, const char* caption) : TForm(nullptr), owner_(owner) {
  SetCaption(caption);
  SetFont({"MS Sans Serif", 11, false});
  SetBorderStyle(TBorderStyle::Single);
  SetClientSize(640, 360);
  LoadLayout(*this, std::span<const TControlRow>(kLayout));
  BindFields(*this, kFields);
  ListBox1->OnDblClick = Bind(this, &TListWindow::ListBox1DblClick);
  // Beside the main window where the screen has room. Not kept above it:
  // going to a field brings the main window, and the field, to the front.
  PlaceBeside(*owner);
}

void TListWindow::RecordChanged() {
  if (pending_ || !Visible()) return;
  pending_ = true;
  Post([this](TObject*) {
    if (pending_) Refresh();
  });
}

void TListWindow::ListBox1DblClick(TObject*) {
  const int i = ListBox1->ItemIndex();
  if (i < 0) return;
  // Copied: showing the field may make the list again.
  const std::optional<TFieldPlace> place = FieldOfRow(static_cast<std::size_t>(i));
  if (place) owner_->ShowField(place->field, place->interval);
}
