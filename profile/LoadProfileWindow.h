#pragma once
// The load-profile window: a step chart of the interval table, load (MW)
// over the cumulative hours, each interval held for its duration, with the
// intervals whose duration or load was not entered marked as such. It is not
// modal, there is one per main window, it follows the table while it is open
// (its owner calls Refresh after every change) and it closes with its owner.
// The header keeps Qt out of the windows that use it.

#include <memory>
#include <string>
#include <vector>

#include "case/LoadProfile.h"

class QRect;
class QSize;
class QWidget;
class TForm;
struct TCaseData;

class TLoadProfileWindow {
public:
  // data: the owner's case record, read at every refresh.
  TLoadProfileWindow(TForm* owner, const TCaseData* data);
  ~TLoadProfileWindow();
  TLoadProfileWindow(const TLoadProfileWindow&) = delete;
  TLoadProfileWindow& operator=(const TLoadProfileWindow&) = delete;

  // Shows the window with the table as it is now; one already open is
  // refreshed and brought to the front.
  void Show();
  // Draws the table again if the window is open; nothing otherwise.
  void Refresh();
  bool Visible() const;
  QWidget* Widget() const;

  // What the chart's series hold right now.
  std::vector<TProfilePoint> StepPoints() const;
  std::vector<TProfilePoint> NoDurationPoints() const;
  std::vector<TProfilePoint> NoLoadPoints() const;
  // The line under the chart: intervals, hours, values not entered.
  std::string Summary() const;
  // The load axis's range, in MW.
  double LoadAxisMin() const;
  double LoadAxisMax() const;

  // Another case's profile drawn as a second line, named after `name` (a
  // saved case being compared); nullptr takes it away. `other` is read at
  // every refresh and must outlive its use here.
  void SetComparison(const TCaseData* other, const std::string& name);
  // The second line's points (empty without a comparison) and its name.
  std::vector<TProfilePoint> ComparisonPoints() const;
  std::string ComparisonName() const;

  static constexpr const char* kCaption = "ZORMEK - Perfil de Carga";

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Where a window first goes beside its owner's frame on a screen's available
// area (sizes with the frame): see LoadProfileWindow.cpp.
QRect PlaceBeside(const QRect& owner, const QRect& area, QSize preferred, QSize minimum);
