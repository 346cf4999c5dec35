// The interval table as clipboard text (read all or nothing, written so it
// reads back bit for bit) and its load profile (exact, and reduced to the
// first, lowest, highest and last point of each pixel column).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <random>
#include <string>
#include <vector>

#include "case/IntervalTable.h"
#include "case/LoadProfile.h"
#include "case/NumberText.h"
#include "tests/case/StatusText.h"

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
};

void ExpectTable(const TResult<TPastedIntervals>& r, const std::vector<double>& durations,
                 const std::vector<double>& loads) {
  ASSERT_TRUE(r.Ok()) << r.Error().message;
  EXPECT_EQ(r->rows, durations.size());
  EXPECT_EQ(Values(r->durations), durations);
  EXPECT_EQ(Values(r->loads), loads);
}

TEST(IntervalTableText, AcceptedTables) {
  const Accepted cases[] = {
      {"TwoColumnsLf", "10\t500\n14\t700\n", {10, 14}, {500, 700}},
      {"DecimalPointCrLfTrailingBlankLines", "1.5\t300.25\r\n2\t400\r\n\r\n\t\n  \n", {1.5, 2}, {300.25, 400}},
      {"DecimalComma", "1,5\t300,25\n", {1.5}, {300.25}},
      {"LoneCrEndsLines", "1,5\t2\r3\t4\r\r", {1.5, 3}, {2, 4}},
      {"ThreeColumnsNoFinalNewline", "1\t10\t500\r\n2\t14\t700", {10, 14}, {500, 700}},
      {"ThreeColumnsBlanksAroundTheCount", " 01 \t10\t500\n2 \t14\t700\n", {10, 14}, {500, 700}},
      {"EmptyCellIsNotEntered", "10\t\n\t700\n", {10, 0}, {0, 700}},
      {"ExponentsSignsAndBlanks", "1E1\t+5e2\n 2,5 \t-1\n", {10, 2.5}, {500, -1}},
      {"LastRowKeepsItsEmptyLoad", "10\t500\n14\t\n\n", {10, 14}, {500, 0}},
      // Thousands separators that cannot be misread.
      {"GroupedCommaDecimal", "1\t8.067,20\n2\t1.234.567\n", {1, 2}, {8067.2, 1234567}},
      {"GroupedPointDecimal", "1\t8,067.20\n2\t1,234,567\n", {1, 2}, {8067.2, 1234567}},
      {"GroupedByBlanks", "1\t1 234,5\n2\t1\xC2\xA0" "234\xC2\xA0" "567\n3\t12\xE2\x80\xAF" "345\n", {1, 2, 3},
       {1234.5, 1234567, 12345}},
      // Two readings, settled by another cell of the table.
      {"SettledByADecimalComma", "0,5\t1.038\n", {0.5}, {1038}},
      {"SettledByADecimalPoint", "0.5\t1,038\n", {0.5}, {1038}},
      {"SettledByAGroupedCellAfterIt", "1\t1.038\n2\t1.234.567\n", {1, 2}, {1038, 1234567}},
      {"SettledByALeadingZero", "1\t0.038\n2\t1.038\n", {1, 2}, {0.038, 1.038}},
      {"OneWayOnly", "1\t1234.567\n2\t1.0380\n", {1, 2}, {1234.567, 1.038}},
      // A first row of nothing but non-numbers is a header.
      {"HeaderTwoColumns", "Duração\tCarga\n10\t500\n", {10}, {500}},
      {"HeaderThreeColumns", "Intervalo\tDuração (h)\tCarga (MW)\r\n1\t10\t500\r\n2\t14\t700\r\n", {10, 14},
       {500, 700}},
      {"HeaderWithAnEmptyCell", "\tCarga\n10\t500\n", {10}, {500}},
      {"NoBreakSpaceIsAnEmptyCell", "10\t\xC2\xA0\n", {10}, {0}},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectTable(ParseIntervalTable(c.text), c.durations, c.loads);
  }
  // A count column shown with thousands separators: row 1038 is "1.038".
  std::string counted;
  for (int k = 1; k <= 1038; ++k) counted += (k < 1000 ? std::to_string(k) : "1." + std::to_string(k).substr(1)) + "\t1\t2\n";
  const TResult<TPastedIntervals> r = ParseIntervalTable(counted);
  ASSERT_TRUE(r.Ok()) << r.Error().message;
  EXPECT_EQ(r->rows, 1038u);
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
      {"BeyondADouble", "1E400\t2", "Linha 1: '1E400' não é um número."},
      {"BlankOnlyCell", "10\t ", "Linha 1: ' ' não é um número."},
      {"PointAfterComma", "1,5\t2\n3\t1.5", "Linha 2: '1.5' tem ponto decimal, mas a linha 1 usa vírgula decimal."},
      {"CommaAfterPoint", "1.5\t2\n3\t1,5", "Linha 2: '1,5' tem vírgula decimal, mas a linha 1 usa ponto decimal."},
      {"GroupedAgainstTheDecimalPoint", "1.5\t2\n3\t8.067,20",
       "Linha 2: '8.067,20' usa separador de milhar '.' e vírgula decimal, mas a linha 1 usa ponto decimal."},
      {"GroupsAgainstTheDecimalComma", "0,5\t2\n3\t1,234,567",
       "Linha 2: '1,234,567' usa separador de milhar ',', mas a linha 1 usa vírgula decimal."},
      {"GroupsNotOfThree", "1\t1.23.456", "Linha 1: '1.23.456' usa separador de milhar, mas não em grupos de três algarismos."},
      {"MixedSeparators", "1\t1.234 567", "Linha 1: '1.234 567' usa separador de milhar, mas não em grupos de três algarismos."},
      {"GroupedExponent", "0,5\t1.234E3", "Linha 1: '1.234E3' tem ponto decimal, mas a linha 1 usa vírgula decimal."},
      {"OneColumn", "10\n", "Linha 1: a linha tem 1 coluna" + columns},
      {"FourColumns", "1\t2\t3\t4", "Linha 1: a linha tem 4 colunas" + columns},
      {"ColumnsChange", "10\t500\n2\t14\t700", "Linha 2: a linha tem 3 colunas, mas a linha 1 tem 2."},
      {"ColumnsChangeAfterAHeader", "a\tb\n10\t500\n2\t14\t700", "Linha 3: a linha tem 3 colunas, mas a linha 2 tem 2."},
      {"BlankLineInside", "10\t500\n\n14\t700", "Linha 2: a linha está vazia."},
      {"LoneCrBlankLineInside", "10\t500\r\r14\t700", "Linha 2: a linha está vazia."},
      {"BlankFirstLine", "\r\n10\t500", "Linha 1: a linha está vazia."},
      {"CountSkips", "1\t10\t500\n3\t14\t700", "Linha 2: o intervalo deveria ser 2, não '3'."},
      {"CountSkipsAfterAHeader", "Intervalo\tDuração\tCarga\n1\t10\t500\n3\t14\t700",
       "Linha 3: o intervalo deveria ser 2, não '3'."},
      {"CountNotANumber", "x\t10\t500", "Linha 1: o intervalo deveria ser 1, não 'x'."},
      {"CountWithDecimals", "1,0\t10\t500", "Linha 1: o intervalo deveria ser 1, não '1,0'."},
      {"CountHuge", "99999999999999999999999\t10\t500", "Linha 1: o intervalo deveria ser 1, não '99999999999999999999999'."},
      {"OnlyAHeader", "Duração\tCarga\n", "A área de transferência não contém uma tabela de intervalos."},
      {"Empty", "", "A área de transferência não contém uma tabela de intervalos."},
      {"OnlyBlankLines", "\n\t\r\n \n", "A área de transferência não contém uma tabela de intervalos."},
      {"LongCellIsCut", std::string(50, 'a') + "\t1", "Linha 1: '" + std::string(40, 'a') + "...' não é um número."},
      {"LongCellCutOnACharacter", std::string(39, 'a') + "çç\t1",
       "Linha 1: '" + std::string(39, 'a') + "ç...' não é um número."},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    const TResult<TPastedIntervals> r = ParseIntervalTable(c.text);
    EXPECT_EQ(r.Code(), TErrc::InvalidTable);
    EXPECT_EQ(MessageOf(r), c.message);
  }
}

// Every mark stands before three digits and no cell says which is the
// decimal mark: refused with the question, until the caller settles it.
TEST(IntervalTableText, AmbiguousTablesAskWithTheFirstSuchCell) {
  const std::string text = "Duração\tCarga\n1\t950\n2\t1.038\n3\t12.345\n";
  const TResult<TPastedIntervals> r = ParseIntervalTable(text);
  ASSERT_EQ(r.Code(), TErrc::AmbiguousTable);
  EXPECT_EQ(r.Error().line, 3u);
  EXPECT_EQ(MessageOf(r),
            "Linha 3: '1.038' pode ser 1038 ou 1,038, e nenhuma célula da tabela mostra qual é o separador decimal. "
            "Indique o separador decimal.");
  const TTableQuestion q = TableQuestionOf(r.Error());
  EXPECT_EQ(q.Text(), "1.038 = 1038 ou 1,038?");
  TTableFormat format;
  format.decimal_mark = q.decimal_if_thousands;
  ExpectTable(ParseIntervalTable(text, format), {1, 2, 3}, {950, 1038, 12345});
  format.decimal_mark = q.decimal_if_decimal;
  ExpectTable(ParseIntervalTable(text, format), {1, 2, 3}, {950, 1.038, 12.345});

  const TTableQuestion comma = TableQuestionOf(ParseIntervalTable(" -1,038 \t2\n").Error());
  EXPECT_EQ(comma.Text(), "-1,038 = -1038 ou -1,038?");
  EXPECT_EQ(comma.decimal_if_thousands, '.');
  EXPECT_EQ(comma.decimal_if_decimal, ',');
  // A bad row is refused before anything is asked.
  EXPECT_EQ(ParseIntervalTable("1\t1.038\n2\tx\n").Code(), TErrc::InvalidTable);
}

// CSV as spreadsheets export it; the format fixes the decimal mark.
TEST(IntervalTableText, CsvFilesWithEitherSeparator) {
  ExpectTable(ParseIntervalTable("\"Duração\";\"Carga\"\r\n1,5;\"1.038\"\r\n2;8.067,20\r\n", CsvTableFormat(';')),
              {1.5, 2}, {1038, 8067.2});
  ExpectTable(ParseIntervalTable("Intervalo,Duração,Carga\n1,1.5,\"1,038\"\n2,2,\"8,067.20\"\n", CsvTableFormat(',')),
            {1.5, 2}, {1038, 8067.2});
  // A quoted cell may hold the separator, a doubled quote and a line end.
  ExpectTable(ParseIntervalTable("\"Carga;\"\"MW\"\"\r\nhoje\";x\n1;2\n", CsvTableFormat(';')), {1}, {2});
  EXPECT_EQ(MessageOf(ParseIntervalTable("1;2\n1.5;2\n", CsvTableFormat(';'))),
            "Linha 2: '1.5' tem ponto decimal, mas a tabela usa vírgula decimal.");
  EXPECT_EQ(MessageOf(ParseIntervalTable("1,\"2\"x\n", CsvTableFormat(','))), "Linha 1: '\"2\"x' não é um número.");
  // A quoted line end is quoted on one line.
  EXPECT_EQ(MessageOf(ParseIntervalTable("1,\"1\r\n2\"\n", CsvTableFormat(','))), "Linha 1: '1  2' não é um número.");
}

TEST(IntervalTableText, MoreRowsThanTheTableHoldsAreRefused) {
  TTableFormat two;
  two.max_rows = 2;
  const TResult<TPastedIntervals> r = ParseIntervalTable("1\t2\n3\t4\n5\t6\n\n", two);
  EXPECT_EQ(r.Code(), TErrc::OutOfRange);
  EXPECT_EQ(MessageOf(r), "A tabela tem 3 linhas; cabem no máximo 2 intervalos.");
  const TResult<TPastedIntervals> fits = ParseIntervalTable("a\tb\n1\t2\n3\t4\n\n", two);
  ASSERT_TRUE(fits.Ok());
  EXPECT_EQ(fits->rows, 2u);
}

TEST(IntervalTableText, ProgressIsReportedAndCanStopTheRead) {
  std::string text;
  const std::size_t rows = 3 * kTableProgressRows + 5;
  for (std::size_t i = 0; i < rows; ++i) text += "1\t2\n";
  std::vector<std::size_t> seen;
  const TResult<TPastedIntervals> r = ParseIntervalTable(text, {}, [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, 2 * text.size());
    seen.push_back(done);
    return true;
  });
  ASSERT_TRUE(r.Ok());
  const std::size_t step = kTableProgressRows * 4;  // bytes of that many rows
  EXPECT_EQ(seen, (std::vector<std::size_t>{step, 2 * step, 3 * step, text.size() + step, text.size() + 2 * step,
                                            text.size() + 3 * step, 2 * text.size()}));
  for (std::size_t stop = 1; stop <= 7; ++stop) {
    std::size_t calls = 0;
    EXPECT_EQ(ParseIntervalTable(text, {}, [&](std::size_t, std::size_t) { return ++calls < stop; }).Code(),
              TErrc::Cancelled);
  }
}

// Address space of this process, in bytes (VmSize).
std::size_t AddressSpace() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

// Under a limit of address space, in a child process: running out of memory
// in a paste or a copy is a Portuguese message, never an exception.
TEST(IntervalTableText, OutOfMemoryIsAMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space limit and the sanitizer's shadow memory do not go together";
#endif
  const auto child = [] {
    constexpr int32_t n = 4000000;
    TCaseData data;
    if (!data.Create(n)) std::_Exit(2);
    std::string text;
    for (int i = 0; i < n; ++i) text += "1\t2\n";
    rlimit limit{};
    limit.rlim_cur = AddressSpace() + (40 << 20);  // 40 MiB more: less than any result needs
    limit.rlim_max = RLIM_INFINITY;
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    const TResult<std::string> copied = FormatIntervalTable(data);
    const TResult<TPastedIntervals> pasted = ParseIntervalTable(text);
    const bool ok = copied.Code() == TErrc::NoMemory &&
                    MessageOf(copied) == "Não há memória para copiar a tabela de 4000000 intervalos." &&
                    pasted.Code() == TErrc::NoMemory &&
                    MessageOf(pasted) == "Não há memória para uma tabela de 4000000 intervalos.";
    std::_Exit(ok ? 0 : 1);
  };
  EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
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
  const TResult<std::string> copied = FormatIntervalTable(data);
  ASSERT_TRUE(copied.Ok());
  const std::string& text = *copied;
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), "1\t10\t500\n2\t0,3333333333333333\t1E-20\n");
  TResult<TPastedIntervals> r = ParseIntervalTable(text);
  ASSERT_TRUE(r.Ok()) << r.Error().message;
  const TPastedIntervals& back = *r;
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
