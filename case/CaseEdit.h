#pragma once
// Changing a case by the names of its fields, for the front ends that script
// it (the command-line tool, the Python module). Every change is checked the
// way the record needs it: reals finite, integers within 32 bits, a table of
// at least one interval; a refused change leaves the record as it was.
//
//   ParseRealValue("Vtot", "1,5")        -> 1.5   (the decimal comma...)
//   ParseRealValue("Vtot", "1.5")        -> 1.5   (...or the decimal point)
//   ParseRealValue("Vtot", "1.000,5")    -> TErrc::InvalidReal (never a thousands separator)
//   ParseIntegerValue("nu", "3000000000") -> TErrc::OutOfRange
//   ScaleField(data, *FindCaseField("Vtot"), 1.1)  multiplies Vtot by 1.1
//
// Messages name the field first:
//   "Vtot: '1.000,5' não é um número (ponto ou vírgula decimal, sem separador de milhares)."
//   "nu: '4,5' não é um número inteiro."
//   "nu: 3000000000 está fora do intervalo de -2147483648 a 2147483647."
//   "Vtot: o valor deve ser um número finito, não inf."

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "case/CaseData.h"
#include "case/CaseFields.h"
#include "case/Status.h"

// The interval arrays by name, as scripts call them.
inline constexpr std::string_view kDurationsName = "durations";
inline constexpr std::string_view kLoadsName = "loads";

// A number as a script gives it (text of a command line): the window's
// conversion (TryParseRealText) with "." or "," as the decimal mark,
// whichever the text holds.
TResult<double> ParseRealValue(std::string_view name, std::string_view text);

// Decimal digits with an optional sign, within -2147483648..2147483647.
TResult<int32_t> ParseIntegerValue(std::string_view name, std::string_view text);

// The value as messages show it: the window's text with the decimal comma
// ("46,5"), "nan" and "inf" as such.
std::string ValueText(double value);

// Stores a real field; refuses a value that is not finite.
TStatus SetRealField(TCaseData& data, const TCaseField& field, double value);

// Stores an integer field; refuses a value beyond 32 bits.
TStatus SetIntegerField(TCaseData& data, const TCaseField& field, int64_t value);

// Stores a field from its text (ParseRealValue or ParseIntegerValue by kind).
TStatus SetFieldText(TCaseData& data, const TCaseField& field, std::string_view text);

// Multiplies a field by `factor`. An integer field must stay an integer
// ("Maxit: 31 × 1,5 = 46,5 não é um número inteiro.") within 32 bits; a real
// field must stay finite.
TStatus ScaleField(TCaseData& data, const TCaseField& field, double factor);

// Multiplies every duration (kDurationsName) or every load (kLoadsName) by
// `factor`; refused whole if any result is not finite.
TStatus ScaleIntervals(TCaseData& data, std::string_view which, double factor);

// Replaces the table with n intervals (n >= 1) of the given values, every
// one finite.
TStatus SetIntervals(TCaseData& data, const double* durations, const double* loads, std::size_t n);

// TErrc::OutOfRange when a field or an interval holds a value that is not
// finite (which only arrays changed directly, in place, can bring in):
//   "Intervalo 3: a duração é nan; só números finitos podem ser gravados."
//   "Vtot é inf; só números finitos podem ser gravados."
TStatus CheckFinite(const TCaseData& data);

// The same for n intervals' durations and loads (either may be null: only
// the other is checked), the first value that is not finite refused.
TStatus CheckFiniteIntervals(const double* durations, const double* loads, std::size_t n);
