#pragma once
// Comparing two cases field by field: the title, every scalar and parameter,
// the interval count and the intervals the two have in common, aligned by
// number. What a study of many cases needs to see that a change went where
// it was meant to go, and nowhere else.
//
//   titles "Caso A" / "Caso B", Ptmax 400 / 450, interval 3's load 500 / 650:
//     {"title", none, "Caso A", "Caso B", none, none}
//     {"Ptmax", none, "400", "450", 400, 450}
//     {"loads", 3, "500", "650", 500, 650}
//   3 intervals / 5 intervals: {"N", none, "3", "5", 3, 5}, then intervals 1..3.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"
#include "case/Status.h"

struct TDifference {
  // "title", a name of CaseFields(), "N", "durations" or "loads"
  // (FieldCaption gives its caption).
  std::string field;
  std::optional<int32_t> interval;  // 1-based, for "durations" and "loads"
  // Both sides as texts: numbers as the window shows them, with the digits
  // that tell them apart (ExactRealText); the titles as they are.
  std::string a, b;
  // Both sides as numbers; none for the title.
  std::optional<double> a_value, b_value;

  friend bool operator==(const TDifference&, const TDifference&) = default;
};

struct TDiffOptions {
  // Two real numbers are the same when |a - b| <= tolerance * max(|a|, |b|);
  // 0 asks for equal values (0 and -0 are equal, and so are two NaNs).
  // Integers (the count and the integer parameters) and the titles are
  // always compared exactly.
  double tolerance = 0.0;
  // The decimal separator of the texts.
  char separator = ',';
};

// In order: the title, the scalars and parameters in the order of
// CaseFields(), the count, then the common intervals one by one (duration
// before load). A tolerance below 0 or not a number is refused
// (TErrc::OutOfRange).
TResult<std::vector<TDifference>> DiffCases(const TCaseData& a, std::string_view title_a, const TCaseData& b,
                                            std::string_view title_b, const TDiffOptions& options = {});
