#include "case/LoadProfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The first, lowest, highest and last point of one column, by position in
// the line (ties: the earliest).
class Column {
public:
  void Add(std::size_t j, TProfilePoint p) {
    if (!open_) {
      open_ = true;
      first_ = last_ = low_ = high_ = {j, p};
      return;
    }
    last_ = {j, p};
    if (p.load < low_.p.load) low_ = {j, p};
    if (p.load > high_.p.load) high_ = {j, p};
  }
  void FlushInto(std::vector<TProfilePoint>& out) {
    if (!open_) return;
    Indexed four[] = {first_, low_, high_, last_};
    std::sort(std::begin(four), std::end(four), [](const Indexed& a, const Indexed& b) { return a.j < b.j; });
    std::size_t previous = std::numeric_limits<std::size_t>::max();
    for (const Indexed& q : four) {
      if (q.j == previous) continue;
      out.push_back(q.p);
      previous = q.j;
    }
    open_ = false;
  }

private:
  struct Indexed {
    std::size_t j;
    TProfilePoint p;
  };
  bool open_ = false;
  Indexed first_{}, last_{}, low_{}, high_{};
};

}  // namespace

TLoadProfile BuildLoadProfile(const double* durations, const double* loads, std::size_t n, std::size_t columns) {
  TLoadProfile profile;
  profile.intervals = n;
  if (n == 0) return profile;
  columns = std::max<std::size_t>(columns, 1);

  double total = 0.0;
  bool growing = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(durations[i] >= 0.0)) growing = false;
    total += durations[i];
    if (durations[i] == 0.0) ++profile.missing_durations;
    if (loads[i] == 0.0) ++profile.missing_loads;
  }
  const bool by_hours = growing && total > 0.0 && std::isfinite(total);
  const std::size_t raw = 2 * n;
  profile.reduced = raw > 4 * columns;
  // The column of interval i's point at x (a non-decreasing function along
  // the line, so each column holds one run of consecutive points).
  auto column_of = [&](std::size_t i, double x) -> std::size_t {
    if (by_hours) return std::min(columns - 1, static_cast<std::size_t>(x / total * static_cast<double>(columns)));
    return i * columns / n;
  };

  bool any_finite = false;
  auto extent = [&](TProfilePoint p) {
    if (!std::isfinite(p.hours) || !std::isfinite(p.load)) return;
    if (!any_finite) {
      profile.min_hours = profile.max_hours = p.hours;
      profile.min_load = profile.max_load = p.load;
      any_finite = true;
      return;
    }
    profile.min_hours = std::min(profile.min_hours, p.hours);
    profile.max_hours = std::max(profile.max_hours, p.hours);
    profile.min_load = std::min(profile.min_load, p.load);
    profile.max_load = std::max(profile.max_load, p.load);
  };

  profile.steps.reserve(profile.reduced ? 4 * columns : raw);
  Column column;
  std::size_t current = std::numeric_limits<std::size_t>::max();
  std::size_t marked_duration = current, marked_load = current;
  double t = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double start = t;
    t += durations[i];
    const TProfilePoint a{start, loads[i]}, b{t, loads[i]};
    extent(a);
    extent(b);
    if (profile.reduced) {
      for (const auto& [j, p] : {std::pair{2 * i, a}, std::pair{2 * i + 1, b}}) {
        const std::size_t c = column_of(i, p.hours);
        if (c != current) {
          column.FlushInto(profile.steps);
          current = c;
        }
        column.Add(j, p);
      }
    } else {
      profile.steps.push_back(a);
      profile.steps.push_back(b);
    }
    if (durations[i] == 0.0) {
      const std::size_t c = column_of(i, start);
      if (!profile.reduced || c != marked_duration) profile.no_duration.push_back(a);
      marked_duration = c;
    }
    if (loads[i] == 0.0) {
      const TProfilePoint mid{start + durations[i] / 2, 0.0};
      const std::size_t c = column_of(i, std::clamp(mid.hours, std::min(start, t), std::max(start, t)));
      if (!profile.reduced || c != marked_load) profile.no_load.push_back(mid);
      marked_load = c;
    }
  }
  column.FlushInto(profile.steps);
  return profile;
}
