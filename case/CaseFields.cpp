#include "case/CaseFields.h"

#include <array>

namespace {

using K = TFieldKind;
using A = TAlgorithmParameters;

constexpr TCaseField Scalar(std::string_view name, std::string_view caption, double TCaseData::*member) {
  return {name, caption, K::Real, member, nullptr, nullptr};
}
constexpr TCaseField Real(std::string_view name, std::string_view caption, double A::*member) {
  return {name, caption, K::Real, nullptr, member, nullptr};
}
constexpr TCaseField Integer(std::string_view name, std::string_view caption, int32_t A::*member) {
  return {name, caption, K::Integer, nullptr, nullptr, member};
}

constexpr std::array kFields = {
    Scalar("base", "Potência base (MW):", &TCaseData::base),
    Scalar("c0", "c0:", &TCaseData::c0),
    Scalar("c", "c:", &TCaseData::c),
    Scalar("q", "q:", &TCaseData::q),
    Scalar("Ptmin", "Pt (min):", &TCaseData::Ptmin),
    Scalar("Ptmax", "Pt (max):", &TCaseData::Ptmax),
    Scalar("a0", "a0:", &TCaseData::a0),
    Scalar("a1", "a1:", &TCaseData::a1),
    Scalar("Vtot", "Vtot:", &TCaseData::Vtot),
    Scalar("Phmin", "Ph (min):", &TCaseData::Phmin),
    Scalar("Phmax", "Ph (max):", &TCaseData::Phmax),
    Scalar("Zeta0", "Zeta_0:", &TCaseData::Zeta0),
    Scalar("Zetat", "Zeta_t:", &TCaseData::Zetat),
    Scalar("Zetah", "Zeta_h:", &TCaseData::Zetah),
    Scalar("Gammat", "Gamma_t:", &TCaseData::Gammat),
    Scalar("Gammah", "Gamma_h:", &TCaseData::Gammah),
    Integer("nu", "nu:", &A::nu),
    Integer("nd", "nd:", &A::nd),
    Integer("klim", "klim:", &A::klim),
    Real("Epsext", "Epsext:", &A::Epsext),
    Real("Rhoext", "Rhoext:", &A::Rhoext),
    Real("xnl", "xnl:", &A::xnl),
    Real("x0", "x0:", &A::x0),
    Real("xlowbd", "xlowbd:", &A::xlowbd),
    Real("y0", "y0:", &A::y0),
    Real("z0", "z0:", &A::z0),
    Real("Rho", "Rho:", &A::Rho),
    Real("Epsln", "Epsln:", &A::Epsln),
    Integer("Maxit", "Maxit:", &A::Maxit),
    Real("Bigm", "Bigm:", &A::Bigm),
    Real("Sigma", "Sigma:", &A::Sigma),
    Real("Epslnp", "Epslnp:", &A::Epslnp),
    Real("Epslmek", "Epslmek:", &A::Epslmek),
    Real("Mu0", "Mu0:", &A::Mu0),
    Integer("iprint", "iprint:", &A::iprint),
};

}  // namespace

std::span<const TCaseField> CaseFields() { return kFields; }

const TCaseField* FindCaseField(std::string_view name) {
  for (const TCaseField& field : kFields)
    if (field.name == name) return &field;
  return nullptr;
}

std::string_view FieldCaption(std::string_view name) {
  if (const TCaseField* field = FindCaseField(name)) return field->caption;
  if (name == "N") return kCountCaption;
  if (name == "durations") return kDurationCaption;
  if (name == "loads") return kLoadCaption;
  if (name == "title") return kTitleCaption;
  return {};
}
