// The interval table from what spreadsheets really put on the clipboard
// (tests/data/clipboard: Calc and Gnumeric captured, Excel written from its
// documented layout): the raw values read whatever the display, the plain
// text's display never misread, and the HTML copied out read back.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "case/NumberText.h"
#include "case/SpreadsheetClipboard.h"
#include "tests/case/StatusText.h"

namespace {

std::string Data(const std::string& path) {
  std::ifstream in(std::string(ZK_CLIPBOARD_DIR) + "/" + path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Has(const std::string& targets, std::string_view mime) {
  std::istringstream lines(targets);
  for (std::string line; std::getline(lines, line);)
    if (line == mime) return true;
  return false;
}

// The value the window reads from the same digits: a pasted cell equals the
// number typed into a field.
double V(const char* text) { return *TryParseRealText(text, ','); }

std::vector<double> Values(const TIntervalArray& a) { return {a.data(), a.data() + a.size()}; }

struct Sheet {
  const char* name;
  std::vector<double> durations, loads;
  const char* text_refusal;  // what the plain text alone gives: "" a table equal to the values
};

const Sheet kSheets[] = {
    {"grouped-integers", {V("1"), V("2"), V("0,5")}, {V("1038"), V("950"), V("12345")}, ""},
    {"grouped-decimals", {V("1"), V("1,5"), V("2")}, {V("8067,2"), V("1234,56"), V("987,5")}, ""},
    {"header-two-columns", {V("10"), V("14")}, {V("1038"), V("700")}, "ask"},
    {"header-three-columns", {V("1,5"), V("2"), V("0,25")}, {V("8067,2"), V("1038"), V("450")}, ""},
    {"percent-currency", {V("0,5"), V("1,25")}, {V("1038"), V("8067,2")}, "Linha 1: '50%' não é um número."},
    {"dates-precision",
     {V("45000"), V("0,333333333333333"), V("1E-20")},
     {V("0,3"), V("1234567,89012346"), V("-0,1")},
     "Linha 1: '15/03/2023' não é um número."},
};

void ExpectSheet(const TResult<TPastedIntervals>& r, const Sheet& sheet) {
  ASSERT_TRUE(r.Ok()) << r.Error().message;
  EXPECT_EQ(Values(r->durations), sheet.durations);
  EXPECT_EQ(Values(r->loads), sheet.loads);
}

// Calc in Brazilian Portuguese and in US English: SYLK (what the window
// reads first) and the HTML give the cells' values whatever their format;
// the plain text is the display.
TEST(SpreadsheetClipboard, CalcCapturesGiveTheCellsValues) {
  for (const char* locale : {"calc-pt-BR", "calc-en-US"}) {
    for (const Sheet& sheet : kSheets) {
      const std::string dir = std::string(locale) + "/" + sheet.name + "/";
      SCOPED_TRACE(dir);
      const std::string targets = Data(dir + "targets.txt");
      ASSERT_TRUE(Has(targets, kSylkMime) && Has(targets, kHtmlMime));
      ExpectSheet(ParseClipboardTable(kSylkMime, Data(dir + "sylk.slk")), sheet);
      ExpectSheet(ParseClipboardTable(kHtmlMime, Data(dir + "text-html.html")), sheet);

      const TResult<TPastedIntervals> text = ParseClipboardTable(kPlainTextMime, Data(dir + "text-plain.txt"));
      if (std::string_view(sheet.text_refusal).empty()) {
        ExpectSheet(text, sheet);
      } else if (std::string_view(sheet.text_refusal) == "ask") {
        ASSERT_EQ(text.Code(), TErrc::AmbiguousTable);
        EXPECT_EQ(TableQuestionOf(text.Error()).Text(),
                  std::string(locale) == "calc-pt-BR" ? "1.038 = 1038 ou 1,038?" : "1,038 = 1038 ou 1,038?");
      } else {
        EXPECT_EQ(MessageOf(text), sheet.text_refusal);
      }
    }
  }
}

// Gnumeric: its XML carries the values (more digits than Calc writes); its
// HTML and its plain text are the display.
TEST(SpreadsheetClipboard, GnumericCapturesGiveTheCellsValues) {
  for (const char* locale : {"gnumeric-pt-BR", "gnumeric-en-US"}) {
    for (const Sheet& sheet : kSheets) {
      const std::string dir = std::string(locale) + "/" + sheet.name + "/";
      SCOPED_TRACE(dir);
      ASSERT_TRUE(Has(Data(dir + "targets.txt"), kGnumericMime));
      ExpectSheet(ParseClipboardTable(kGnumericMime, Data(dir + "gnumeric.xml")), sheet);
    }
  }
  // A formula's cell holds no value: the next format is read instead.
  const TResult<TPastedIntervals> formula = ParseGnumericTable(
      "<gnm:ClipboardRange xmlns:gnm=\"http://www.gnumeric.org/v10.dtd\" Cols=\"2\" Rows=\"1\"><gnm:Cells>"
      "<gnm:Cell Row=\"0\" Col=\"0\" ValueType=\"40\">1</gnm:Cell><gnm:Cell Row=\"0\" Col=\"1\">=A1*2</gnm:Cell>"
      "</gnm:Cells></gnm:ClipboardRange>");
  ASSERT_FALSE(formula.Ok());
  EXPECT_TRUE(NoTableIn(formula.Error()));
}

TEST(SpreadsheetClipboard, ExcelHtmlGivesTheCellsValues) {
  const Sheet excel{"excel", {V("1,5"), V("0,33333333333333331"), V("2")}, {V("8067,2"), V("1038"), 0.0}, ""};
  ExpectSheet(ParseClipboardTable(kHtmlMime, Data("excel-pt-BR-grouped.html")), excel);
}

// HTML as web pages and editors write it.
TEST(SpreadsheetClipboard, HtmlTablesAsBrowsersReadThem) {
  struct Case {
    const char* name;
    std::string html;
    std::vector<double> durations, loads;
  };
  const Case cases[] = {
      {"UnclosedCellsAndRows", "<table><tr><td>1,5<td>300<tr><td>2<td>400</table>", {1.5, 2}, {300, 400}},
      {"HeaderCellsAndEntities", "<table><tr><th>Dura&ccedil;&atilde;o<th>Carga<tr><td>1&nbsp;234,5<td>2</table>",
       {1234.5}, {2}},
      {"MergedAcrossColumns", "<table><tr><td colspan=2>x<td>y<tr><td>1<td>2<td>3</table>", {2}, {3}},
      {"MergedDownRows",
       "<table><tr><td>1</td><td rowspan=2>5</td><td>7</td></tr><tr><td>2</td><td>8</td></tr></table>", {5, 0},
       {7, 8}},
      {"NoteOfACellIsNotItsText", "<table><tr><td>1<comment><p>nota 2</p></comment><td>4</table>", {1}, {4}},
      {"FirstTableOnly", "<p>x</p><table><tr><td>1<td>2</table><table><tr><td>a<td>b<td>c</table>", {1}, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TResult<TPastedIntervals> r = ParseHtmlTable(c.html);
    ASSERT_TRUE(r.Ok()) << r.Error().message;
    EXPECT_EQ(Values(r->durations), c.durations);
    EXPECT_EQ(Values(r->loads), c.loads);
  }
  // A nested table's text is its cell's: no number.
  EXPECT_EQ(MessageOf(ParseHtmlTable("<table><tr><td>1<td><table><tr><td>2<td>3</table></table>")),
            "Linha 1: '  2 3' não é um número.");
  // An editor's HTML of plain lines holds no table: the plain text is read instead.
  for (const char* html : {"<div><span>10\t500</span></div>", "", "<table></table>", "\xff\xfe<\0t\0"}) {
    const TResult<TPastedIntervals> r = ParseHtmlTable(html);
    ASSERT_FALSE(r.Ok());
    EXPECT_TRUE(NoTableIn(r.Error())) << r.Error().message;
  }
}

TEST(SpreadsheetClipboard, SylkRowsWithGapsAndDamage) {
  // No record for an empty cell: the table is as wide as its widest row.
  const TResult<TPastedIntervals> r = ParseSylkTable("ID;PX\nC;X1;Y1;K1\nC;X2;K2.5\nC;Y3;X2;K4\nE\n");
  ASSERT_TRUE(r.Ok()) << r.Error().message;
  EXPECT_EQ(Values(r->durations), (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(Values(r->loads), (std::vector<double>{2.5, 0, 4}));
  EXPECT_EQ(MessageOf(ParseSylkTable("ID;P\nC;X1;Y1;K1\nC;X2;Y1;K\"a;;b\"\n")), "Linha 1: 'a;;b' não é um número.");
  for (const char* damaged : {"C;X1;Y1;K1\n", "ID;P\nC;X2;Y1;K1\nC;X1;Y1;K1\n", "ID;P\nC;X1;Y2;K1\nC;X1;Y1;K1\n",
                              "ID;P\nC;X0;Y1;K1\n", "ID;P\nE\n"}) {
    SCOPED_TRACE(damaged);
    const TResult<TPastedIntervals> bad = ParseSylkTable(damaged);
    ASSERT_FALSE(bad.Ok());
    EXPECT_TRUE(NoTableIn(bad.Error()));
  }
}

// What the window copies out beside its text reads back, bit for bit.
TEST(SpreadsheetClipboard, CopiedHtmlReadsBackBitForBit) {
  const double durations[] = {10, 1.0 / 3, -0.0, 0.1 + 0.2, 4.9406564584124654e-324, 1e300, 0};
  const double loads[] = {1038, 1e-20, 123456789012345678.0, -7.25, 2.2250738585072014e-308, 0.0001, 8067.2};
  TCaseData data;
  ASSERT_TRUE(data.Create(static_cast<int32_t>(std::size(durations))));
  for (std::size_t i = 0; i < std::size(durations); ++i) {
    data.durations[i] = durations[i];
    data.loads[i] = loads[i];
  }
  const TResult<std::string> html = FormatIntervalTableHtml(data);
  ASSERT_TRUE(html.Ok());
  EXPECT_NE(html->find("<td sdval=\"0.30000000000000004\" sdnum=\"1033;\" x:num=\"0.30000000000000004\">"
                       "0,30000000000000004</td>"),
            std::string::npos);
  const TResult<TPastedIntervals> back = ParseHtmlTable(*html);
  ASSERT_TRUE(back.Ok()) << back.Error().message;
  ASSERT_EQ(back->rows, std::size(durations));
  EXPECT_EQ(0, std::memcmp(back->durations.data(), durations, sizeof durations));
  EXPECT_EQ(0, std::memcmp(back->loads.data(), loads, sizeof loads));
}

}  // namespace
