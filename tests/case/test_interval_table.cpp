// The interval table as clipboard text (read all or nothing, written so it
// reads back bit for bit) and its load profile (exact, and reduced to the
// first, lowest, highest and last point of each pixel column).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "case/IntervalTable.h"
#include "case/LoadProfile.h"
#include "case/NumberText.h"

namespace {

std::string Line(const std::string& k, const std::string& d, const std::string& l) {
  return "      " + k + std::string(22, ' ') + d + std::string(22, ' ') + l;
}

std::vector<double> Values(const TIntervalArray& a) { return {a.data(), a.data() + a.size()}; }

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Accepted {
  const char* name;
  std::string text;
  std::vector<double> durations, loads;
  std::vector<std::string> memo;  // the cell texts as the memo shows them: d0, l0, d1, l1, ...
};

TEST(IntervalTableText, AcceptedTables) {
  const Accepted cases[] = {
      {"TwoColumnsLf", "10\t500\n14\t700\n", {10, 14}, {500, 700}, {"10", "500", "14", "700"}},
      {"DecimalPointCrLfTrailingBlankLines", "1.5\t300.25\r\n2\t400\r\n\r\n\t\n  \n", {1.5, 2}, {300.25, 400},
       {"1,5", "300,25", "2", "400"}},
      {"DecimalComma", "1,5\t300,25\n", {1.5}, {300.25}, {"1,5", "300,25"}},
      {"ThreeColumnsNoFinalNewline", "1\t10\t500\r\n2\t14\t700", {10, 14}, {500, 700}, {"10", "500", "14", "700"}},
      {"ThreeColumnsBlanksAroundTheCount", " 01 \t10\t500\n2 \t14\t700\n", {10, 14}, {500, 700},
       {"10", "500", "14", "700"}},
      {"EmptyCellIsNotEntered", "10\t\n\t700\n", {10, 0}, {0, 700}, {"10", "", "", "700"}},
      {"ExponentsSignsAndBlanks", "1E1\t+5e2\n 2,5 \t-1\n", {10, 2.5}, {500, -1}, {"1E1", "+5e2", " 2,5 ", "-1"}},
      {"LastRowKeepsItsEmptyLoad", "10\t500\n14\t\n\n", {10, 14}, {500, 0}, {"10", "500", "14", ""}},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.name);
    TPastedIntervals out;
    const TTableParseResult r = ParseIntervalTable(c.text, &out);
    ASSERT_EQ(r.status, TTableParse::Ok) << r.message;
    EXPECT_EQ(out.rows, c.durations.size());
    EXPECT_EQ(Values(out.durations), c.durations);
    EXPECT_EQ(Values(out.loads), c.loads);
  }
}

struct Refused {
  const char* name;
  std::string text;
  std::string message;
};

std::string SixteenGoodRows() {
  std::string s;
  for (int i = 0; i < 16; ++i) s += "1\t2\n";
  return s;
}

TEST(IntervalTableText, RefusalsNameTheRowAndChangeNothing) {
  const std::string columns = "; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga).";
  const Refused cases[] = {
      {"LetterCell", SixteenGoodRows() + "abc\t5\n", "Linha 17: 'abc' não é um número."},
      {"BadLoad", "10\t5x", "Linha 1: '5x' não é um número."},
      {"ThousandsAndDecimal", "1.234,5\t2", "Linha 1: '1.234,5' não é um número."},
      {"BeyondADouble", "1E400\t2", "Linha 1: '1E400' não é um número."},
      {"BlankOnlyCell", "10\t ", "Linha 1: ' ' não é um número."},
      {"PointAfterComma", "1,5\t2\n3\t1.500", "Linha 2: '1.500' tem ponto decimal, mas a linha 1 usa vírgula decimal."},
      {"CommaAfterPoint", "1.5\t2\n3\t1,5", "Linha 2: '1,5' tem vírgula decimal, mas a linha 1 usa ponto decimal."},
      {"OneColumn", "10\n", "Linha 1: a linha tem 1 coluna" + columns},
      {"FourColumns", "1\t2\t3\t4", "Linha 1: a linha tem 4 colunas" + columns},
      {"ColumnsChange", "10\t500\n2\t14\t700", "Linha 2: a linha tem 3 colunas, mas a linha 1 tem 2."},
      {"BlankLineInside", "10\t500\n\n14\t700", "Linha 2: a linha está vazia."},
      {"BlankFirstLine", "\r\n10\t500", "Linha 1: a linha está vazia."},
      {"CountSkips", "1\t10\t500\n3\t14\t700", "Linha 2: o intervalo deveria ser 2, não '3'."},
      {"CountNotANumber", "x\t10\t500", "Linha 1: o intervalo deveria ser 1, não 'x'."},
      {"CountWithDecimals", "1,0\t10\t500", "Linha 1: o intervalo deveria ser 1, não '1,0'."},
      {"CountHuge", "99999999999999999999999\t10\t500", "Linha 1: o intervalo deveria ser 1, não '99999999999999999999999'."},
      {"Empty", "", "A área de transferência não contém uma tabela de intervalos."},
      {"OnlyBlankLines", "\n\t\r\n \n", "A área de transferência não contém uma tabela de intervalos."},
      {"LongCellIsCut", std::string(50, 'a') + "\t1", "Linha 1: '" + std::string(40, 'a') + "...' não é um número."},
      {"LongCellCutOnACharacter", std::string(39, 'a') + "çç\t1",
       "Linha 1: '" + std::string(39, 'a') + "ç...' não é um número."},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    TPastedIntervals out;
    out.rows = 7;
    const TTableParseResult r = ParseIntervalTable(c.text, &out);
    EXPECT_EQ(r.status, TTableParse::Refused);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(out.rows, 7u);
    EXPECT_EQ(out.durations.size(), 0u);
  }
}

TEST(IntervalTableText, MoreRowsThanTheTableHoldsAreRefused) {
  TPastedIntervals out;
  TTableParseResult r = ParseIntervalTable("1\t2\n3\t4\n5\t6\n\n", &out, 2);
  EXPECT_EQ(r.status, TTableParse::Refused);
  EXPECT_EQ(r.message, "A tabela tem 3 linhas; cabem no máximo 2 intervalos.");
  r = ParseIntervalTable("1\t2\n3\t4\n\n", &out, 2);
  EXPECT_EQ(r.status, TTableParse::Ok);
  EXPECT_EQ(out.rows, 2u);
}

TEST(IntervalTableText, ProgressIsReportedAndCanStopTheRead) {
  std::string text;
  const std::size_t rows = 3 * kTableProgressRows + 5;
  for (std::size_t i = 0; i < rows; ++i) text += "1\t2\n";
  std::vector<std::size_t> seen;
  TPastedIntervals out;
  TTableParseResult r = ParseIntervalTable(text, &out, rows, [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, rows);
    seen.push_back(done);
    return true;
  });
  ASSERT_EQ(r.status, TTableParse::Ok);
  EXPECT_EQ(seen, (std::vector<std::size_t>{kTableProgressRows, 2 * kTableProgressRows, 3 * kTableProgressRows}));

  TPastedIntervals stopped;
  r = ParseIntervalTable(text, &stopped, rows, [](std::size_t, std::size_t) { return false; });
  EXPECT_EQ(r.status, TTableParse::Stopped);
  EXPECT_EQ(stopped.rows, 0u);
}

// The memo's row of a table: the line "OK" logs for fields that hold the
// values as an opened case shows them, empty for a zero of either sign, in
// the separator given.
TEST(IntervalMemoRow, RowsAreTheLinesOfOkWithTheFieldsAnOpenedCaseShows) {
  struct Row {
    const char* name;
    std::size_t k;
    double duration, load;
    char separator;
    std::string line;
  };
  const Row rows[] = {
      {"Typed", 2, 1.5, 300, ',', Line("2", "1,5", "300")},
      {"ZerosAreEmptyFields", 7, 0.0, -0.0, ',', Line("7", "", "")},
      {"FifteenDigits", 3, 1.0 / 3, 1e-5, ',', Line("3", "0,333333333333333", "1E-5")},
      {"LargeNumberAndNegative", 2147483648u, 1e22, -2.5, ',', Line("2147483648", "1E22", "-2,5")},
      {"AnotherSeparator", 1, 0.95, 12.5, '?', Line("1", "0?95", "12?5")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string out = "kept|";
    AppendIntervalMemoRow(out, r.k, r.duration, r.load, r.separator);
    EXPECT_EQ(out, "kept|" + r.line);
  }
}

// The texts of the header's examples, and the choice between FormatRealText
// and more digits.
TEST(TableValueText, Examples) {
  EXPECT_EQ(TableValueText(0.1), "0,1");
  EXPECT_EQ(TableValueText(0.1 + 0.2), "0,30000000000000004");
  EXPECT_EQ(TableValueText(-0.0), "-0");
  EXPECT_EQ(TableValueText(0.0), "0");
  EXPECT_EQ(TableValueText(1e-5), "1E-5");
  EXPECT_EQ(TableValueText(1.0 / 3), "0,3333333333333333");  // 15 digits give another double
  EXPECT_EQ(TableValueText(123456789012345678.0), "1,2345678901234568E17");
  EXPECT_EQ(TableValueText(-2.5), "-2,5");
}

// What "OK" can store: at most 13 (duration) or 15 (load) characters, hence
// at most 15 significant digits. FormatRealText's 15 digits give those values
// back exactly (negative zero aside), so for them the table text is
// FormatRealText's.
TEST(TableValueText, TypedValuesReadBackThroughFormatRealText) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 15);
    std::string text;
    for (int k = 0; k < digits; ++k) text += static_cast<char>('0' + random() % 10);
    const int comma = static_cast<int>(random() % (digits + 1));
    if (comma < digits) text.insert(static_cast<std::size_t>(comma), ",");
    if (random() % 4 == 0) text = "-" + text;
    if (text.size() > 15) continue;
    const double value = *TryParseRealText(text, ',');
    SCOPED_TRACE(text);
    ASSERT_TRUE(SameBits(*TryParseRealText(TableValueText(value), ','), value));
    // Negative zero ("-0" typed) is the one exception: FormatRealText shows "0".
    if (value != 0.0) {
      ASSERT_TRUE(SameBits(*TryParseRealText(FormatRealText(value, ','), ','), value));
      ASSERT_EQ(TableValueText(value), FormatRealText(value, ','));
    }
  }
}

// Pasted cells may carry any double: every finite double reads back, with
// at most 17 significant digits.
TEST(TableValueText, EveryDoubleReadsBack) {
  std::mt19937_64 random(7);
  int needed_more = 0;
  for (int i = 0; i < 300000; ++i) {
    uint64_t bits = random();
    if (i % 3 == 0) bits &= 0x800FFFFFFFFFFFFFull;  // subnormals
    if (i % 3 == 1) bits = (bits & 0x800FFFFFFFFFFFFFull) | (uint64_t{1023 + (random() % 60)} << 52);  // 1..1e18
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    const std::string text = TableValueText(value);
    SCOPED_TRACE(text);
    ASSERT_TRUE(SameBits(*TryParseRealText(text, ','), value));
    std::string digits;
    for (char c : text.substr(0, text.find('E')))
      if (c >= '0' && c <= '9') digits += c;
    digits.erase(0, digits.find_first_not_of('0'));
    digits.erase(digits.find_last_not_of('0') + 1);
    ASSERT_LE(digits.size(), 17u);
    if (text != FormatRealText(value, ',')) ++needed_more;
  }
  EXPECT_GT(needed_more, 0);  // 15 digits are not enough for most of these
}

TEST(IntervalTableText, CopyTextAndItsPasteGiveTheSameTableBitForBit) {
  const double durations[] = {10, 1.0 / 3, -0.0, 0.1 + 0.2, 4.9406564584124654e-324, 1e300, 0};
  const double loads[] = {500, 1e-20, 123456789012345678.0, -7.25, 2.2250738585072014e-308, 0.0001, 0};
  const std::size_t n = std::size(durations);
  TCaseData data;
  ASSERT_TRUE(data.Create(static_cast<int32_t>(n)));
  for (std::size_t i = 0; i < n; ++i) {
    data.durations[i] = durations[i];
    data.loads[i] = loads[i];
  }
  std::string text;
  ASSERT_TRUE(FormatIntervalTable(data, &text));
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), "1\t10\t500\n2\t0,3333333333333333\t1E-20\n");
  TPastedIntervals back;
  const TTableParseResult r = ParseIntervalTable(text, &back);
  ASSERT_EQ(r.status, TTableParse::Ok) << r.message;
  ASSERT_EQ(back.rows, n);
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_TRUE(SameBits(back.durations[i], durations[i])) << i;
    EXPECT_TRUE(SameBits(back.loads[i], loads[i])) << i;
  }
}

// ---- Load profile -----------------------------------------------------------

std::vector<TProfilePoint> RawSteps(const std::vector<double>& d, const std::vector<double>& l) {
  std::vector<TProfilePoint> raw;
  double t = 0;
  for (std::size_t i = 0; i < d.size(); ++i) {
    raw.push_back({t, l[i]});
    t += d[i];
    raw.push_back({t, l[i]});
  }
  return raw;
}

TEST(LoadProfile, ASmallTableIsDrawnExactlyWithItsMissingValuesMarked) {
  const std::vector<double> d = {10, 0, 4, 6};
  const std::vector<double> l = {500, 600, 0, 0};
  const TLoadProfile p = BuildLoadProfile(d.data(), l.data(), d.size(), 800);
  EXPECT_FALSE(p.reduced);
  EXPECT_EQ(p.steps, (std::vector<TProfilePoint>{
                         {0, 500}, {10, 500}, {10, 600}, {10, 600}, {10, 0}, {14, 0}, {14, 0}, {20, 0}}));
  EXPECT_EQ(p.no_duration, (std::vector<TProfilePoint>{{10, 600}}));
  EXPECT_EQ(p.no_load, (std::vector<TProfilePoint>{{12, 0}, {17, 0}}));
  EXPECT_EQ(p.missing_durations, 1u);
  EXPECT_EQ(p.missing_loads, 2u);
  EXPECT_EQ(p.min_hours, 0);
  EXPECT_EQ(p.max_hours, 20);
  EXPECT_EQ(p.min_load, 0);
  EXPECT_EQ(p.max_load, 600);
}

// Per pixel column the reduced line has the same lowest and highest load as
// the full one, keeps its first and last point, and is a subsequence of it.
void ExpectSameShapePerColumn(const std::vector<double>& d, const std::vector<double>& l, std::size_t columns,
                              bool by_hours) {
  const TLoadProfile p = BuildLoadProfile(d.data(), l.data(), d.size(), columns);
  const std::vector<TProfilePoint> raw = RawSteps(d, l);
  ASSERT_TRUE(p.reduced);
  ASSERT_LE(p.steps.size(), 4 * columns);
  EXPECT_EQ(p.steps.front(), raw.front());
  EXPECT_EQ(p.steps.back(), raw.back());
  const double total = raw.back().hours;
  auto column = [&](std::size_t j) {
    if (by_hours) return std::min(columns - 1, static_cast<std::size_t>(raw[j].hours / total * columns));
    return (j / 2) * columns / d.size();
  };
  std::vector<double> low(columns, INFINITY), high(columns, -INFINITY), got_low(columns, INFINITY),
      got_high(columns, -INFINITY);
  std::size_t k = 0;  // walks the reduced line along the raw one
  for (std::size_t j = 0; j < raw.size(); ++j) {
    const std::size_t c = column(j);
    low[c] = std::min(low[c], raw[j].load);
    high[c] = std::max(high[c], raw[j].load);
    if (k < p.steps.size() && p.steps[k] == raw[j]) {
      got_low[c] = std::min(got_low[c], raw[j].load);
      got_high[c] = std::max(got_high[c], raw[j].load);
      ++k;
    }
  }
  EXPECT_EQ(k, p.steps.size()) << "the reduced line is not a subsequence of the full one";
  EXPECT_EQ(got_low, low);
  EXPECT_EQ(got_high, high);
}

TEST(LoadProfile, AMillionIntervalsKeepTheirShapePerPixelColumn) {
  std::mt19937_64 random(3);
  const std::size_t n = 1000000;
  std::vector<double> d(n), l(n);
  for (std::size_t i = 0; i < n; ++i) {
    d[i] = 1 + static_cast<double>(random() % 4);
    l[i] = 500 + static_cast<double>(random() % 1000);
  }
  l[123457] = 5000;  // one narrow peak and one dip must survive
  l[765431] = 1;
  ExpectSameShapePerColumn(d, l, 700, true);
  const TLoadProfile p = BuildLoadProfile(d.data(), l.data(), n, 700);
  EXPECT_EQ(p.max_load, 5000);
  EXPECT_EQ(p.min_load, 1);
}

TEST(LoadProfile, NegativeDurationsSplitColumnsByInterval) {
  std::mt19937_64 random(5);
  const std::size_t n = 50000;
  std::vector<double> d(n), l(n);
  for (std::size_t i = 0; i < n; ++i) {
    d[i] = static_cast<double>(random() % 7) - 2;
    l[i] = static_cast<double>(random() % 900);
  }
  ExpectSameShapePerColumn(d, l, 300, false);
}

TEST(LoadProfile, ATableOfMissingValuesGetsOneMarkPerColumn) {
  const std::size_t n = 1000000;
  const std::vector<double> zeros(n, 0.0);
  const TLoadProfile p = BuildLoadProfile(zeros.data(), zeros.data(), n, 500);
  EXPECT_TRUE(p.reduced);
  EXPECT_EQ(p.missing_durations, n);
  EXPECT_EQ(p.missing_loads, n);
  EXPECT_EQ(p.no_duration.size(), 500u);
  EXPECT_EQ(p.no_load.size(), 500u);
  EXPECT_LE(p.steps.size(), 4 * 500u);
}

}  // namespace
