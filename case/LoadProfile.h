#pragma once
// The load profile of the interval table: load (MW) over the cumulative
// hours, each interval held for its duration, as the points of a step line.
//
//   durations {10, 14}, loads {500, 700}:
//   steps (0, 500) (10, 500) (10, 700) (24, 700)
//
// A table of a million intervals has far more points than a chart has pixel
// columns; above four points per column the line is reduced to the first,
// lowest, highest and last point of each column (in their order), which
// draws the same pixels: the jumps between columns are kept exactly and no
// peak or dip is lost.

#include <cstddef>
#include <vector>

struct TProfilePoint {
  double hours;
  double load;
  friend bool operator==(const TProfilePoint&, const TProfilePoint&) = default;
};

struct TLoadProfile {
  std::vector<TProfilePoint> steps;
  // Where a value was not entered (0.0): an interval without a duration is
  // marked at its start, at its load; one without a load at the middle of
  // its span, at 0. When reduced, at most one mark of each kind per column.
  std::vector<TProfilePoint> no_duration;
  std::vector<TProfilePoint> no_load;
  std::size_t intervals = 0;
  std::size_t missing_durations = 0;  // counted in full, also when reduced
  std::size_t missing_loads = 0;
  bool reduced = false;
  // The extent of the finite points of the step line (0 when empty).
  double min_hours = 0.0, max_hours = 0.0, min_load = 0.0, max_load = 0.0;
};

// columns: the plot's width in pixel columns (at least 1 is used). Columns
// split the hours evenly when the hours only grow (no negative duration);
// otherwise they split the intervals evenly.
TLoadProfile BuildLoadProfile(const double* durations, const double* loads, std::size_t n, std::size_t columns);
