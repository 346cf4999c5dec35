#pragma once
// The scalars of the case record by name: the base power, the plant and loss
// data and the 19 algorithm parameters, each with the caption of its field
// in the windows. Whatever reaches a field by its name (the command-line
// tool, the Python module, the checks, the comparison, the main window's
// bindings) finds it here.
//
//   FindCaseField("Ptmin")->caption == "Pt (min):"
//   FindCaseField("Maxit")->kind == TFieldKind::Integer
//   FindCaseField("N") == nullptr   (the interval count goes with the table)

#include <cstdint>
#include <span>
#include <string_view>

#include "case/CaseData.h"

enum class TFieldKind { Real, Integer };

struct TCaseField {
  std::string_view name;     // the record's name: "base", "c0", ..., "nu", ..., "iprint"
  std::string_view caption;  // the field's caption in the windows: "Potência base (MW):"
  TFieldKind kind;
  // Exactly one of these is set: a scalar of the record, or a real or an
  // integer algorithm parameter.
  double TCaseData::*scalar = nullptr;
  double TAlgorithmParameters::*real_parameter = nullptr;
  int32_t TAlgorithmParameters::*integer_parameter = nullptr;

  bool IsParameter() const { return scalar == nullptr; }
  // Real fields only.
  double& Real(TCaseData& data) const { return scalar ? data.*scalar : data.alg.*real_parameter; }
  double Real(const TCaseData& data) const { return scalar ? data.*scalar : data.alg.*real_parameter; }
  // Integer fields only.
  int32_t& Integer(TCaseData& data) const { return data.alg.*integer_parameter; }
  int32_t Integer(const TCaseData& data) const { return data.alg.*integer_parameter; }
};

// The base power, the thermal plant, the hydro plant and the loss formula in
// the main window's order, then the algorithm parameters in the order the
// case file writes them (nu ... iprint).
std::span<const TCaseField> CaseFields();

// nullptr when no scalar has that name (names are case-sensitive).
const TCaseField* FindCaseField(std::string_view name);

// The captions of the interval table's fields.
inline constexpr std::string_view kCountCaption = "Numero de Intervalos:";
inline constexpr std::string_view kDurationCaption = "Duração (horas):";
inline constexpr std::string_view kLoadCaption = "Carga (MW):";
inline constexpr std::string_view kTitleCaption = "Título do caso em estudo:";

// The caption of any field a check or a comparison names: a scalar or a
// parameter, the table's "N", "durations" and "loads", or the "title";
// empty for an unknown name.
//   FieldCaption("loads") == "Carga (MW):"   FieldCaption("Rho") == "Rho:"
std::string_view FieldCaption(std::string_view name);
