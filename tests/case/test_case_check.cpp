// Checking a case and comparing two: a table of cases with the findings
// each must give (the one the tool's and the module's tests read too), the
// messages' texts, and the comparison's differences.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "case/CaseCheck.h"
#include "case/CaseDiff.h"
#include "case/CaseFields.h"
#include "case/IntervalTable.h"
#include "case/ValueText.h"

namespace {

// Stores that the tests make where the table has room: a refusal is a fault
// of the test itself.
void Create(TCaseData& d, int32_t n) { ASSERT_TRUE(d.Create(n)); }
void Duration(TCaseData& d, int32_t k, double v) { ASSERT_TRUE(d.SetDuration(k, v)); }
void Load(TCaseData& d, int32_t k, double v) { ASSERT_TRUE(d.SetLoad(k, v)); }

// A case the solver can take: every interval entered and within the limits.
TCaseData SoundCase(int32_t n = 24) {
  TCaseData d;
  Create(d, n);
  for (int32_t k = 1; k <= n; ++k) {
    Duration(d, k, 1.0);
    Load(d, k, 300.0 + k);
  }
  d.base = 100;
  d.Ptmin = 50;
  d.Ptmax = 400;
  d.Phmin = 10;
  d.Phmax = 300;
  d.Vtot = 5000;
  return d;
}

struct Expected {
  TSeverity severity;
  std::string field;
  std::optional<int32_t> interval;
  friend bool operator==(const Expected&, const Expected&) = default;
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
  out << SeverityName(e.severity) << " " << e.field;
  if (e.interval) out << " #" << *e.interval;
  return out;
}

constexpr TSeverity E = TSeverity::Error;
constexpr TSeverity W = TSeverity::Warning;
constexpr std::nullopt_t none = std::nullopt;

struct CheckRow {
  std::string name;
  std::function<void(TCaseData&)> change;  // applied to SoundCase()
  std::vector<Expected> findings;
};

// The rows a case file cannot hold (values that are not finite, a count the
// table does not have); the others are in the table every front end shares.
const std::vector<CheckRow>& Rows() {
  static const std::vector<CheckRow> rows = {
      {"values_that_are_not_finite",
       [](TCaseData& d) {
         d.c0 = std::numeric_limits<double>::quiet_NaN();
         d.alg.Rho = std::numeric_limits<double>::infinity();
         Load(d, 3, -std::numeric_limits<double>::infinity());
         Duration(d, 6, std::numeric_limits<double>::quiet_NaN());
       },
       {{E, "c0", none}, {E, "Rho", none}, {E, "loads", 3}, {E, "durations", 6}}},
      {"table_shorter_than_its_count", [](TCaseData& d) { d.N = 25; }, {{E, "N", none}}},
  };
  return rows;
}

// The shared table (tests/data/check/cases.json) as changes on SoundCase().
void Store(TCaseData& d, std::string_view name, double value) {
  const TCaseField* field = FindCaseField(name);
  ASSERT_NE(field, nullptr) << name;
  if (field->kind == TFieldKind::Integer) {
    field->Integer(d) = static_cast<int32_t>(value);
  } else {
    field->Real(d) = value;
  }
}

std::vector<CheckRow> SharedRows() {
  std::ifstream file(ZK_CHECK_CASES);
  const nlohmann::json table = nlohmann::json::parse(file);
  const nlohmann::json& sound = table["sound"];
  EXPECT_EQ(sound["N"], 24) << "SoundCase() is the table's sound case";
  std::vector<CheckRow> rows;
  for (const nlohmann::json& row : table["rows"]) {
    CheckRow parsed{row["name"], {}, {}};
    parsed.change = [row](TCaseData& d) {
      if (row.value("fresh", false)) Create(d, 1);
      const nlohmann::json set = row.value("set", nlohmann::json::object());
      for (const auto& [name, value] : set.items()) Store(d, name, value);
      for (const char* which : {"durations", "loads"}) {
        const nlohmann::json runs = row.value(which, nlohmann::json::array());
        for (const nlohmann::json& run : runs) {
          for (int32_t k = run[0]; k <= run[1].get<int32_t>(); ++k) {
            if (which[0] == 'd') {
              Duration(d, k, run[2]);
            } else {
              Load(d, k, run[2]);
            }
          }
        }
      }
    };
    for (const std::string finding : row["findings"]) {
      std::istringstream words(finding);
      std::string severity, field;
      int32_t interval = 0;
      words >> severity >> field;
      const bool numbered = static_cast<bool>(words >> interval);
      parsed.findings.push_back({severity == "erro" ? E : W, field, numbered ? std::optional(interval) : none});
    }
    rows.push_back(std::move(parsed));
  }
  return rows;
}

TEST(CaseCheck, EachCaseGivesExactlyItsFindings) {
  std::vector<CheckRow> rows = SharedRows();
  ASSERT_GE(rows.size(), 20u);
  rows.insert(rows.end(), Rows().begin(), Rows().end());
  for (const CheckRow& row : rows) {
    SCOPED_TRACE(row.name);
    TCaseData d = SoundCase();
    row.change(d);
    std::vector<Expected> got;
    for (const TFinding& f : CheckCase(d)) {
      got.push_back({f.severity, f.field, f.interval});
      EXPECT_FALSE(FieldCaption(f.field).empty()) << f.field;
      EXPECT_NE(f.message.find(FieldCaption(f.field)), std::string::npos) << f.message;
    }
    EXPECT_EQ(got, row.findings);
    EXPECT_EQ(HasErrors(CheckCase(d)), !row.findings.empty() && row.findings.front().severity == E);
  }
}

TEST(CaseCheck, MessagesNameTheCaptionsAndTheValues) {
  TCaseData d = SoundCase(30);
  d.Ptmin = 500.5;
  d.alg.Rho = 1;
  for (int32_t k = 1; k <= 30; ++k) Load(d, k, k < 10 ? 600 : 1000);  // 21 above the maxima
  Load(d, 3, 0);
  Duration(d, 4, -0.25);
  const std::vector<TFinding> comma = CheckCase(d);
  ASSERT_EQ(comma.size(), 3u + 1u + 20u + 1u);
  EXPECT_EQ(comma[0].message, "\"Pt (min):\" 500,5 é maior que \"Pt (max):\" 400.");
  EXPECT_EQ(comma[1].message, "Intervalo 3: \"Carga (MW):\" não informada.");
  EXPECT_EQ(comma[2].message, "Intervalo 4: \"Duração (horas):\" -0,25 é negativa.");
  EXPECT_EQ(comma[3].message, "\"Rho:\" 1 deve estar entre 0 e 1, sem os extremos.");
  EXPECT_EQ(comma[4].message, "Intervalo 10: \"Carga (MW):\" 1000 acima de \"Pt (max):\" + \"Ph (max):\" = 700.");
  EXPECT_EQ(comma.back().message, "Mais 1 intervalo com \"Carga (MW):\" acima de \"Pt (max):\" + \"Ph (max):\" = 700.");
  EXPECT_EQ(SeverityName(comma[0].severity), "erro");
  EXPECT_EQ(SeverityName(comma.back().severity), "aviso");

  TCheckOptions point;
  point.separator = '.';
  point.interval_warnings = 2;
  const std::vector<TFinding> dot = CheckCase(d, point);
  ASSERT_EQ(dot.size(), 3u + 1u + 2u + 1u);
  EXPECT_EQ(dot[0].message, "\"Pt (min):\" 500.5 é maior que \"Pt (max):\" 400.");
  EXPECT_EQ(dot.back().message, "Mais 19 intervalos com \"Carga (MW):\" acima de \"Pt (max):\" + \"Ph (max):\" = 700.");
}

// ---- Comparison ------------------------------------------------------------

struct Diff {
  std::string field;
  std::optional<int32_t> interval;
  std::string a, b;
  friend bool operator==(const Diff&, const Diff&) = default;
};

std::ostream& operator<<(std::ostream& out, const Diff& d) {
  out << d.field;
  if (d.interval) out << " #" << *d.interval;
  return out << " [" << d.a << "] [" << d.b << "]";
}

std::vector<Diff> Diffs(const TCaseData& a, std::string_view ta, const TCaseData& b, std::string_view tb,
                        TDiffOptions options = {}) {
  TResult<std::vector<TDifference>> r = DiffCases(a, ta, b, tb, options);
  EXPECT_TRUE(r.Ok());
  std::vector<Diff> out;
  if (!r) return out;
  for (const TDifference& d : *r) {
    out.push_back({d.field, d.interval, d.a, d.b});
    EXPECT_EQ(d.a_value.has_value(), d.field != "title");
    EXPECT_EQ(d.b_value.has_value(), d.field != "title");
  }
  return out;
}

TEST(CaseDiff, TitleOneScalarOneParameterAndTwoIntervalsGiveExactlyFiveDifferences) {
  const TCaseData a = SoundCase();
  TCaseData b = SoundCase();
  b.Ptmax = 450.5;
  b.alg.Maxit = 60;
  Load(b, 3, 650);
  Duration(b, 17, 2.5);
  const std::vector<Diff> expected = {{"title", none, "Caso base", "Caso novo"},
                                      {"Ptmax", none, "400", "450,5"},
                                      {"Maxit", none, "30", "60"},
                                      {"loads", 3, "303", "650"},
                                      {"durations", 17, "1", "2,5"}};
  EXPECT_EQ(Diffs(a, "Caso base", b, "Caso novo"), expected);
  TResult<std::vector<TDifference>> r = DiffCases(a, "Caso base", b, "Caso novo");
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ((*r)[1].a_value, 400.0);
  EXPECT_EQ((*r)[1].b_value, 450.5);
  EXPECT_EQ((*r)[0].a_value, std::nullopt);
  EXPECT_TRUE(Diffs(a, "Caso", SoundCase(), "Caso").empty());
}

// Another count is one difference; the intervals both have are still compared.
TEST(CaseDiff, CountDifferenceStillComparesTheCommonIntervals) {
  const TCaseData a = SoundCase(5);
  TCaseData b = SoundCase(8);
  Load(b, 2, 1);
  Load(b, 7, 2);  // beyond a's table: only the count says so
  const std::vector<Diff> expected = {{"N", none, "5", "8"}, {"loads", 2, "302", "1"}};
  EXPECT_EQ(Diffs(a, "t", b, "t"), expected);
  EXPECT_EQ(Diffs(b, "t", a, "t"), (std::vector<Diff>{{"N", none, "8", "5"}, {"loads", 2, "1", "302"}}));
}

TEST(CaseDiff, RelativeToleranceForRealsOnly) {
  TCaseData a = SoundCase(3);
  TCaseData b = SoundCase(3);
  b.Ptmax = 400.0004;           // 1e-6 relative
  Load(b, 1, 304.01);         // 1% relative
  b.alg.nu = 41;                // integers are exact whatever the tolerance
  b.c0 = -0.0;                  // 0 and -0 are one value
  b.Phmax = std::nan("");
  a.Phmax = std::nan("");
  TDiffOptions loose;
  loose.tolerance = 1e-5;
  EXPECT_EQ(Diffs(a, "", b, "", loose),
            (std::vector<Diff>{{"nu", none, "40", "41"}, {"loads", 1, "301", "304,01"}}));
  EXPECT_EQ(Diffs(a, "", b, "").size(), 3u);
  loose.tolerance = 0.02;
  EXPECT_EQ(Diffs(a, "", b, "", loose).size(), 1u);

  for (double bad : {-1e-9, std::nan(""), std::numeric_limits<double>::infinity()}) {
    TDiffOptions options;
    options.tolerance = bad;
    const TResult<std::vector<TDifference>> r = DiffCases(a, "", b, "", options);
    EXPECT_EQ(r.Code(), TErrc::OutOfRange) << bad;
  }
}

TEST(CaseDiff, ValuesTheWindowShowsAlikeAreToldApart) {
  TCaseData a = SoundCase(1);
  TCaseData b = SoundCase(1);
  b.q = 0.1;
  a.q = 0.1 + 1e-17 * 2;  // the next double above 0.1
  ASSERT_NE(a.q, b.q);
  TDiffOptions point;
  point.separator = '.';
  EXPECT_EQ(Diffs(a, "", b, "", point), (std::vector<Diff>{{"q", none, "0.10000000000000002", "0.1"}}));
}

// The texts of the findings and differences: the window's display where it
// is exact, more digits where it is not, whole numbers as their digits.
TEST(ValueText, TheDisplayWhereExactOtherwiseTheDigitsThatReadBack) {
  struct Row {
    double value;
    const char* text;
  };
  const Row rows[] = {{1.5, "1,5"},        {-0.25, "-0,25"},          {0.1 + 0.2, "0,30000000000000004"},
                      {1e-20, "1E-20"},    {-0.0, "-0"},              {0.0, "0"},
                      {500, "500"},        {-7, "-7"},                {999999999999999, "999999999999999"},
                      {1e15, "1E15"},      {123456789012345678.0, "1,2345678901234568E17"}};
  for (const Row& row : rows) {
    EXPECT_EQ(ExactRealText(row.value, ','), row.text) << row.value;
    EXPECT_EQ(ExactRealText(row.value, ','), TableValueText(row.value)) << row.value;
  }
  EXPECT_EQ(ExactRealText(1.5, '.'), "1.5");
  EXPECT_EQ(ExactRealText(std::numeric_limits<double>::quiet_NaN(), ','), "NAN");
  EXPECT_EQ(ExactRealText(-std::numeric_limits<double>::infinity(), ','), "-INF");
  // Every whole number the fast way is the display's own text.
  for (double v = 1; v < 1e15; v = v * 3 + 1) {
    EXPECT_EQ(ExactRealText(v, ','), TableValueText(v)) << v;
    EXPECT_EQ(ExactRealText(-v, ','), TableValueText(-v)) << v;
  }
}

}  // namespace
