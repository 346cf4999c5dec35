#include "case/CaseEdit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "case/NumberText.h"

namespace {

constexpr const char* kFiniteOnly = "só números finitos podem ser gravados.";

std::string Named(std::string_view name, const std::string& text) {
  std::string message(name);
  message += ": ";
  message += text;
  return message;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string Range() {
  return "está fora do intervalo de " + std::to_string(std::numeric_limits<int32_t>::min()) + " a " +
         std::to_string(std::numeric_limits<int32_t>::max()) + ".";
}

TError OutOfRange(std::string_view name, std::string_view value) {
  return MakeError(TErrc::OutOfRange, Named(name, std::string(value) + " " + Range()));
}

bool Fits32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

std::string ValueText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  return FormatRealText(value, ',');
}

TResult<double> ParseRealValue(std::string_view name, std::string_view text) {
  const char separator = text.find(',') != std::string_view::npos ? ',' : '.';
  TResult<double> value = TryParseRealText(text, separator);
  if (!value) {
    return MakeError(TErrc::InvalidReal,
                     Named(name, Quoted(text) + " não é um número (ponto ou vírgula decimal, sem separador de milhares)."));
  }
  return value;
}

TResult<int32_t> ParseIntegerValue(std::string_view name, std::string_view text) {
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '+' || negative)) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return MakeError(TErrc::InvalidInteger, Named(name, Quoted(text) + " não é um número inteiro."));
  }
  const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
  digits.remove_prefix(first);
  int64_t value = 0;
  if (digits.size() > 10) return OutOfRange(name, text);
  for (char c : digits) value = value * 10 + (c - '0');
  if (negative) value = -value;
  if (!Fits32(value)) return OutOfRange(name, text);
  return static_cast<int32_t>(value);
}

TStatus SetRealField(TCaseData& data, const TCaseField& field, double value) {
  if (!std::isfinite(value)) {
    return MakeError(TErrc::OutOfRange, Named(field.name, "o valor deve ser um número finito, não " + ValueText(value) + "."));
  }
  field.Real(data) = value;
  return {};
}

TStatus SetIntegerField(TCaseData& data, const TCaseField& field, int64_t value) {
  if (!Fits32(value)) return OutOfRange(field.name, std::to_string(value));
  field.Integer(data) = static_cast<int32_t>(value);
  return {};
}

TStatus SetFieldText(TCaseData& data, const TCaseField& field, std::string_view text) {
  if (field.kind == TFieldKind::Integer) {
    TResult<int32_t> value = ParseIntegerValue(field.name, text);
    if (!value) return std::move(value).Error();
    return SetIntegerField(data, field, *value);
  }
  TResult<double> value = ParseRealValue(field.name, text);
  if (!value) return std::move(value).Error();
  return SetRealField(data, field, *value);
}

TStatus ScaleField(TCaseData& data, const TCaseField& field, double factor) {
  if (field.kind == TFieldKind::Real) return SetRealField(data, field, field.Real(data) * factor);
  const double old_value = field.Integer(data);
  const double scaled = old_value * factor;
  if (!std::isfinite(scaled) || scaled != std::trunc(scaled)) {
    return MakeError(TErrc::InvalidInteger,
                     Named(field.name, ValueText(old_value) + " × " + ValueText(factor) + " = " + ValueText(scaled) +
                                           " não é um número inteiro."));
  }
  if (scaled < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      scaled > static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return OutOfRange(field.name, ValueText(old_value) + " × " + ValueText(factor) + " = " + ValueText(scaled));
  }
  field.Integer(data) = static_cast<int32_t>(scaled);
  return {};
}

TStatus ScaleIntervals(TCaseData& data, std::string_view which, double factor) {
  const bool loads = which == kLoadsName;
  if (!loads && which != kDurationsName) {
    return MakeError(TErrc::InvalidName, "Não há tabela '" + std::string(which) + "': só durations e loads.");
  }
  TIntervalArray& values = loads ? data.loads : data.durations;
  const std::size_t n = values.size();
  // Checked whole first, so that a refusal changes nothing.
  for (std::size_t i = 0; i < n; ++i) {
    const double scaled = values[i] * factor;
    if (!std::isfinite(scaled)) {
      return MakeError(TErrc::OutOfRange, "Intervalo " + std::to_string(i + 1) + (loads ? ": a carga " : ": a duração ") +
                                              ValueText(values[i]) + " × " + ValueText(factor) + " = " +
                                              ValueText(scaled) + "; " + kFiniteOnly);
    }
  }
  double* p = values.data();
  for (std::size_t i = 0; i < n; ++i) p[i] *= factor;
  return {};
}

TStatus SetIntervals(TCaseData& data, const double* durations, const double* loads, std::size_t n) {
  if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    return MakeError(TErrc::OutOfRange, "A tabela tem " + std::to_string(n) + " intervalos; cabem no máximo " +
                                            std::to_string(std::numeric_limits<int32_t>::max()) + ".");
  }
  if (TStatus finite = CheckFiniteIntervals(durations, loads, n); !finite) return finite;
  TCaseData table;
  if (TStatus made = table.Redimension(static_cast<int32_t>(n)); !made) return made;
  if (n > 0) {
    std::memcpy(table.durations.data(), durations, n * sizeof(double));
    std::memcpy(table.loads.data(), loads, n * sizeof(double));
  }
  data.durations = std::move(table.durations);
  data.loads = std::move(table.loads);
  data.N = table.N;
  return {};
}

TStatus CheckFinite(const TCaseData& data) {
  for (const TCaseField& field : CaseFields()) {
    if (field.kind != TFieldKind::Real) continue;
    const double v = field.Real(data);
    if (!std::isfinite(v)) {
      return MakeError(TErrc::OutOfRange, std::string(field.name) + " é " + ValueText(v) + "; " + kFiniteOnly);
    }
  }
  return CheckFiniteIntervals(data.durations.data(), data.loads.data(),
                              std::min(data.durations.size(), data.loads.size()));
}

TStatus CheckFiniteIntervals(const double* durations, const double* loads, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    for (const bool load : {false, true}) {
      const double* values = load ? loads : durations;
      if (values == nullptr || std::isfinite(values[i])) continue;
      return MakeError(TErrc::OutOfRange, "Intervalo " + std::to_string(i + 1) + (load ? ": a carga é " : ": a duração é ") +
                                              ValueText(values[i]) + "; " + kFiniteOnly);
    }
  }
  return {};
}
