#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "case/CaseFields.h"

namespace {

// Every scalar of the record and every parameter is reached by exactly one
// name: a value written through each field lands in a member of its own.
TEST(CaseFields, EachNameReachesItsOwnMemberAndNoneIsLeftOut) {
  TCaseData d;
  double next = 1;
  std::set<std::string_view> names;
  for (const TCaseField& f : CaseFields()) {
    EXPECT_TRUE(names.insert(f.name).second) << f.name;
    EXPECT_EQ(FindCaseField(f.name), &f);
    if (f.kind == TFieldKind::Real) f.Real(d) = next;
    else f.Integer(d) = static_cast<int32_t>(next);
    ++next;
  }
  const TAlgorithmParameters& a = d.alg;
  const std::vector<double> members = {
      d.base, d.c0,   d.c,       d.q,       d.Ptmin, d.Ptmax, d.a0,      d.a1,     d.Vtot,
      d.Phmin, d.Phmax, d.Zeta0, d.Zetat,   d.Zetah, d.Gammat, d.Gammah, double(a.nu), double(a.nd),
      double(a.klim), a.Epsext, a.Rhoext, a.xnl, a.x0, a.xlowbd, a.y0, a.z0, a.Rho, a.Epsln,
      double(a.Maxit), a.Bigm, a.Sigma, a.Epslnp, a.Epslmek, a.Mu0, double(a.iprint)};
  ASSERT_EQ(members.size(), CaseFields().size());
  for (std::size_t i = 0; i < members.size(); ++i) EXPECT_EQ(members[i], double(i + 1)) << CaseFields()[i].name;
  EXPECT_EQ(FindCaseField("N"), nullptr);
  EXPECT_EQ(FindCaseField("ptmin"), nullptr);
}

}  // namespace
