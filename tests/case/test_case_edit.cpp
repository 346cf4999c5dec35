#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

#include <limits>

#include "case/CaseEdit.h"
#include "case/CaseFile.h"

namespace {

const TCaseField& Field(const char* name) { return *FindCaseField(name); }

TEST(CaseEdit, ValueTextsTakeEitherDecimalMarkAndNoGrouping) {
  struct Row {
    const char* text;
    double value;  // NAN: refused
  } const rows[] = {{"1,5", 1.5}, {"1.5", 1.5}, {"-0,25e2", -25}, {"7", 7}, {",5", 0.5}, {"1e308", 1e308},
                    {"1.000,5", NAN}, {"1,000.5", NAN}, {"1 000", NAN}, {"1e400", NAN}, {"", NAN}, {"inf", NAN}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const TResult<double> got = ParseRealValue("x", row.text);
    if (std::isnan(row.value)) {
      ASSERT_FALSE(got);
      EXPECT_EQ(got.Code(), TErrc::InvalidReal);
      EXPECT_EQ(got.Error().message, std::string("x: '") + row.text +
                                         "' não é um número (ponto ou vírgula decimal, sem separador de milhares).");
    } else {
      ASSERT_TRUE(got);
      EXPECT_EQ(*got, row.value);
    }
  }
}

TEST(CaseEdit, IntegersAreCheckedForRangeWithoutWrapping) {
  EXPECT_EQ(*ParseIntegerValue("nu", "2147483647"), INT32_MAX);
  EXPECT_EQ(*ParseIntegerValue("nu", "-000002147483648"), INT32_MIN);
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999"}) {
    SCOPED_TRACE(text);
    const TResult<int32_t> got = ParseIntegerValue("nu", text);
    EXPECT_EQ(got.Code(), TErrc::OutOfRange);
    EXPECT_EQ(got.Error().message, std::string("nu: ") + text + " está fora do intervalo de -2147483648 a 2147483647.");
  }
  EXPECT_EQ(ParseIntegerValue("nu", "-").Code(), TErrc::InvalidInteger);
  EXPECT_EQ(ParseIntegerValue("nu", "$1A").Code(), TErrc::InvalidInteger);
}

TEST(CaseEdit, SettersRefuseWhatTheRecordCannotHoldAndKeepTheOldValue) {
  TCaseData data;
  ASSERT_TRUE(data.Create(1));
  data.Vtot = 3;
  const TStatus nan = SetRealField(data, Field("Vtot"), std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(nan.Error().message, "Vtot: o valor deve ser um número finito, não nan.");
  EXPECT_EQ(SetIntegerField(data, Field("iprint"), int64_t{1} << 31).Error().message,
            "iprint: 2147483648 está fora do intervalo de -2147483648 a 2147483647.");
  EXPECT_EQ(data.Vtot, 3.0);
  EXPECT_EQ(data.alg.iprint, 0);
  const TStatus half = ScaleField(data, Field("nd"), 0.5);  // 30 -> 15
  ASSERT_TRUE(half);
  EXPECT_EQ(ScaleField(data, Field("nd"), 0.5).Error().message, "nd: 15 × 0,5 = 7,5 não é um número inteiro.");
  EXPECT_EQ(data.alg.nd, 15);
}

TEST(CaseEdit, SetIntervalsReplacesTheTableOrNothing) {
  TCaseData data;
  ASSERT_TRUE(data.Create(1));
  const double durations[] = {10, 14, 3};
  const double loads[] = {500, INFINITY, 1};
  const TStatus refused = SetIntervals(data, durations, loads, 3);
  EXPECT_EQ(refused.Error().message, "Intervalo 2: a carga é inf; só números finitos podem ser gravados.");
  EXPECT_EQ(data.N, 1);
  EXPECT_EQ(SetIntervals(data, durations, loads, 0).Code(), TErrc::OutOfRange);
  const double fine[] = {500, 700, 1};
  ASSERT_TRUE(SetIntervals(data, durations, fine, 3));
  EXPECT_EQ(data.N, 3);
  EXPECT_EQ(data.durations.size(), 3u);
  EXPECT_EQ(data.loads[1], 700.0);
}

TEST(CaseEdit, TheSaveRefusesValuesThatAreNotFinite) {
  TCaseData data;
  ASSERT_TRUE(data.Create(2));
  for (int k = 1; k <= 2; ++k) {
    ASSERT_TRUE(data.SetDuration(k, 1));
    ASSERT_TRUE(data.SetLoad(k, 1));
  }
  data.durations[1] = std::numeric_limits<double>::quiet_NaN();
  const std::string path = testing::TempDir() + "/finite.dad";
  const TStatus saved = SaveCaseFile(data, "", path);
  EXPECT_EQ(saved.Code(), TErrc::OutOfRange);
  EXPECT_EQ(saved.Error().message, "Intervalo 2: a duração é nan; só números finitos podem ser gravados.");
  data.durations[1] = 1;
  data.Phmax = -INFINITY;
  EXPECT_EQ(SaveCaseFile(data, "", path).Error().message, "Phmax é -inf; só números finitos podem ser gravados.");
  EXPECT_NE(access(path.c_str(), F_OK), 0) << "nothing written";
}

TEST(CaseData, RefusalsSayWhy) {
  TCaseData data;
  ASSERT_TRUE(data.Create(2));
  EXPECT_EQ(data.Redimension(0).Error().message, "O número de intervalos deve ser pelo menos 1.");
  EXPECT_EQ(data.SetLoad(3, 1).Error().message, "Não há intervalo 3: a tabela tem 2 intervalos.");
  EXPECT_EQ(data.SetDuration(0, 1).Code(), TErrc::OutOfRange);
}

}  // namespace
