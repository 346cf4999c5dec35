#include "case/CaseDiff.h"

#include <algorithm>
#include <cmath>

#include "case/CaseFields.h"
#include "case/NumberText.h"
#include "case/ValueText.h"

namespace {

bool Same(double a, double b, double tolerance) {
  if (a == b) return true;
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (tolerance == 0.0 || !std::isfinite(a) || !std::isfinite(b)) return false;
  return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

std::size_t Intervals(const TCaseData& d) {
  return std::min({static_cast<std::size_t>(std::max<int32_t>(d.N, 0)), d.durations.size(), d.loads.size()});
}

}  // namespace

TResult<std::vector<TDifference>> DiffCases(const TCaseData& a, std::string_view title_a, const TCaseData& b,
                                            std::string_view title_b, const TDiffOptions& options) {
  if (!(options.tolerance >= 0.0) || !std::isfinite(options.tolerance))
    return MakeError(TErrc::OutOfRange, "A tolerância deve ser um número finito maior ou igual a zero.");
  const char sep = options.separator;
  std::vector<TDifference> out;
  auto real = [&](std::string_view field, std::optional<int32_t> interval, double x, double y) {
    if (!Same(x, y, options.tolerance))
      out.push_back({std::string(field), interval, ExactRealText(x, sep), ExactRealText(y, sep), x, y});
  };
  auto integer = [&](std::string_view field, int32_t x, int32_t y) {
    if (x != y)
      out.push_back({std::string(field), std::nullopt, FormatIntegerText(x), FormatIntegerText(y), double(x), double(y)});
  };

  if (title_a != title_b) out.push_back({"title", std::nullopt, std::string(title_a), std::string(title_b), {}, {}});
  for (const TCaseField& field : CaseFields()) {
    if (field.kind == TFieldKind::Integer)
      integer(field.name, field.Integer(a), field.Integer(b));
    else
      real(field.name, std::nullopt, field.Real(a), field.Real(b));
  }
  integer("N", a.N, b.N);
  const std::size_t common = std::min(Intervals(a), Intervals(b));
  for (std::size_t i = 0; i < common; ++i) {
    const auto k = static_cast<int32_t>(i + 1);
    real("durations", k, a.durations[i], b.durations[i]);
    real("loads", k, a.loads[i], b.loads[i]);
  }
  return out;
}
