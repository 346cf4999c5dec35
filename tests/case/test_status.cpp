#include <gtest/gtest.h>

#include <set>
#include <string>

#include "case/NumberText.h"
#include "case/Status.h"

namespace {

// Programs match on the names: each code has its own, and none is left
// unnamed when a code is added.
TEST(Status, EveryCodeHasItsOwnName) {
  std::set<std::string> names;
  for (int c = static_cast<int>(TErrc::Ok); c <= static_cast<int>(TErrc::Last); ++c) {
    const std::string name(ErrcName(static_cast<TErrc>(c)));
    EXPECT_NE(name, "unknown") << c;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
}

TEST(Status, ResultCarriesTheValueOrTheFailure) {
  const TResult<double> ok = TryParseRealText("1,5", ',');
  ASSERT_TRUE(ok.Ok());
  EXPECT_EQ(*ok, 1.5);
  EXPECT_EQ(ok.Code(), TErrc::Ok);

  const TResult<double> bad = TryParseRealText("1.5", ',');
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.Code(), TErrc::InvalidReal);
  EXPECT_EQ(bad.Error().message, "'1.5' is not a valid floating point value");

  const TStatus failed = MakeError(TErrc::Cancelled, "Leitura cancelada.");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.Code(), TErrc::Cancelled);
  EXPECT_TRUE(TStatus().Ok());
}

}  // namespace
