#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "tests/case/StatusText.h"

namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh folder of its own, which is the current folder.
class CaseFileTest : public testing::Test {
protected:
  void SetUp() override {
    old_ = fs::current_path();
    char pattern[] = "/tmp/zk_case_file_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path old_;
  fs::path dir_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// N intervals with every duration and load filled.
TCaseData Filled(int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    EXPECT_TRUE(d.SetDuration(k, 10.0 + k));
    EXPECT_TRUE(d.SetLoad(k, 500.0 + k));
  }
  return d;
}

TCaseData Example() {
  TCaseData d;
  EXPECT_TRUE(d.Create(2));
  EXPECT_TRUE(d.SetDuration(1, 10));
  EXPECT_TRUE(d.SetDuration(2, 14));
  EXPECT_TRUE(d.SetLoad(1, 500));
  EXPECT_TRUE(d.SetLoad(2, 700));
  d.base = 100;
  return d;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = file.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(file.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, file.size()) << "bytes after the last CR LF";
  for (const auto& l : lines) {
    EXPECT_EQ(l.find('\n'), std::string::npos);
    EXPECT_EQ(l.find('\r'), std::string::npos);
  }
  return lines;
}

// The same file by the plain route: one snprintf per value with the
// conversions as the format states them (valid for ordinary values).
std::string PlainFile(const TCaseData& d, const std::string& title) {
  std::string out;
  char b[128];
  auto put = [&](const char* fmt, auto... v) {
    std::snprintf(b, sizeof b, fmt, v...);
    out += b;
  };
  const TAlgorithmParameters& a = d.alg;
  out += title + "\r\n";
  put("%10d", d.N);
  for (int i = 0; i < d.N; ++i) put("% 10.2f", d.durations[i]);
  out += "\r\n";
  for (int i = 0; i < d.N; ++i) put("% 10.2f", d.loads[i]);
  out += "\r\n";
  put("%10d%10d\r\n", a.nu, a.nd);
  put("%10d% 10.6f% 10.5f\r\n", a.klim, a.Epsext, a.Rhoext);
  put("% 10.2f\r\n", d.base);
  put("% 10.2e% 10.2e% 10.2e% 10.4f% 10.4f\r\n", d.c0, d.c, d.q, d.Ptmin, d.Ptmax);
  put("% 10.2e% 10.2e% 10.4f% 10.4f% 10.2f\r\n", d.a0, d.a1, d.Phmin, d.Phmax, d.Vtot);
  put("% 10.2e% 10.2e% 10.2e% 10.2e% 10.2e\r\n", d.Zeta0, d.Zetat, d.Zetah, d.Gammat, d.Gammah);
  const long n = d.N;
  const std::pair<double, long> blocks[] = {
      {a.xnl, 6 * n}, {a.x0, 6 * n}, {a.xlowbd, 2 * n}, {a.y0, 5 * n + 1}, {a.z0, 6 * n}};
  for (const auto& [v, count] : blocks) {
    for (long i = 0; i < count; ++i) {
      put("% 10.2f", v);
      if (i % 8 == 7 || i == count - 1) out += "\r\n";
    }
  }
  put("% 10.2e% 10.2e%10d% 10.1e% 10.2e% 10.2e% 10.2e% 10.2e\r\n", a.Rho, a.Epsln, a.Maxit,
      a.Bigm, a.Sigma, a.Epslnp, a.Epslmek, a.Mu0);
  put("%10d\r\n", a.iprint);
  return out;
}

TEST(CaseFileFormat, ExampleFileMatchesGoldenBytes) {
  const std::string golden = ReadFile(fs::path(ZK_GOLDEN_DIR) / "caso_exemplo.dad");
  ASSERT_EQ(golden.size(), 912u);
  EXPECT_EQ(FormatCaseFileToString(Example(), "Caso exemplo"), golden);
}

// Lengths of the lines of each vector block, in fields of 10.
std::vector<std::size_t> BlockFields(long count) {
  std::vector<std::size_t> fields;
  for (long left = count; left > 0; left -= 8) fields.push_back(left < 8 ? left : 8);
  return fields;
}

TEST(CaseFileFormat, LineStructureForSeveralSizes) {
  struct {
    const char* name;
    int32_t n;
    std::vector<std::vector<std::size_t>> blocks;  // fields per line of each block
  } const rows[] = {
      {"N=1", 1, {{6}, {6}, {2}, {6}, {6}}},
      {"N=2", 2, {{8, 4}, {8, 4}, {4}, {8, 3}, {8, 4}}},
      {"N=3", 3, {{8, 8, 2}, {8, 8, 2}, {6}, {8, 8}, {8, 8, 2}}},
      {"N=8", 8, {BlockFields(48), BlockFields(48), {8, 8}, {8, 8, 8, 8, 8, 1}, BlockFields(48)}},
      {"N=13", 13, {BlockFields(78), BlockFields(78), BlockFields(26), BlockFields(66),
                    BlockFields(78)}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const TCaseData d = Filled(r.n);
    const std::string file = FormatCaseFileToString(d, "t");
    const std::vector<std::string> lines = Lines(file);
    std::size_t block_lines = 0;
    for (const auto& b : r.blocks) block_lines += b.size();
    ASSERT_EQ(lines.size(), 9 + block_lines + 2);
    EXPECT_EQ(lines[1].size(), 10u * (1 + static_cast<std::size_t>(r.n)));  // one line however long
    EXPECT_EQ(lines[2].size(), 10u * static_cast<std::size_t>(r.n));
    std::size_t at = 9;
    for (const auto& b : r.blocks) {
      for (std::size_t fields : b) {
        EXPECT_EQ(lines[at].size(), 10 * fields) << "line " << at + 1;
        ++at;
      }
    }
    EXPECT_EQ(lines[at], "  9.50e-01  1.00e-04        30   1.0e+08  1.00e-02  1.00e-05  1.00e-20  5.00e+00");
    EXPECT_EQ(lines[at + 1], "         0");
    EXPECT_EQ(file, PlainFile(d, "t"));
  }
}

TEST(CaseFileFormat, OneIntervalRows) {
  TCaseData d;
  ASSERT_TRUE(d.Create(1));
  EXPECT_TRUE(d.SetDuration(1, 10));
  EXPECT_TRUE(d.SetLoad(1, 500));
  const std::vector<std::string> lines = Lines(FormatCaseFileToString(d, ""));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "         1     10.00");
  EXPECT_EQ(lines[2], "    500.00");
  EXPECT_EQ(lines[11], "     -1.00     -1.00");
  EXPECT_EQ(lines[5], "      0.00");
}

TEST(CaseFileFormat, TitleIsWrittenWholeByteForByte) {
  const std::string title80(80, 'x');
  const std::string cp1252 = "Pot\xEAncia \x80 \x93ok\x94";
  for (const std::string& title : {title80, std::string(), cp1252}) {
    const std::string file = FormatCaseFileToString(Example(), title);
    EXPECT_EQ(file.substr(0, title.size() + 2), title + "\r\n");
  }
}

TEST(CaseFileFormat, LargeValuesWidenTheirFieldAndShiftTheLine) {
  TCaseData d = Example();
  EXPECT_TRUE(d.SetLoad(1, 1234567.891));
  EXPECT_TRUE(d.SetDuration(2, -0.0));  // not a check matter here: formatting only
  const std::vector<std::string> lines = Lines(FormatCaseFileToString(d, "x"));
  EXPECT_EQ(lines[1], "         2     10.00     -0.00");
  EXPECT_EQ(lines[2], " 1234567.89    700.00");
  d.alg.y0 = 12345678.5;
  d.base = -2e7;
  const std::vector<std::string> wide = Lines(FormatCaseFileToString(d, "x"));
  EXPECT_EQ(wide[5], "-20000000.00");
  std::string eight;
  for (int i = 0; i < 8; ++i) eight += " 12345678.50";
  EXPECT_EQ(wide[14], eight);
  EXPECT_EQ(wide[15], " 12345678.50 12345678.50 12345678.50");
  EXPECT_EQ(wide[16], "      1.00      1.00      1.00      1.00      1.00      1.00      1.00      1.00");
}

TEST(CaseFileFormat, ChunksAreBoundedAndStopOnRefusal) {
  // Large enough for many chunks and for the repeated-run path of the
  // blocks (tens of thousands of identical lines).
  TCaseData d = Filled(60000);
  d.alg.xnl = 0.25;
  std::string joined;
  std::size_t chunks = 0;
  std::size_t biggest = 0;
  ASSERT_TRUE(FormatCaseFile(d, "grande", [&](const char* p, std::size_t n) {
    joined.append(p, n);
    ++chunks;
    biggest = std::max(biggest, n);
    return true;
  }));
  EXPECT_EQ(joined, PlainFile(d, "grande"));
  EXPECT_GT(chunks, 10u);
  EXPECT_LE(biggest, (std::size_t{1} << 20) + 256);

  std::size_t calls = 0;
  EXPECT_FALSE(FormatCaseFile(d, "grande", [&](const char*, std::size_t) {
    ++calls;
    return calls < 3;
  }));
  EXPECT_EQ(calls, 3u);
}

TEST(CaseFileFormat, RandomOrdinaryValuesMatchThePlainRoute) {
  TCaseData d;
  ASSERT_TRUE(d.Create(777));
  unsigned seed = 7;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 8) % 2000000) / 64.0 - 10000.0;
  };
  for (int k = 1; k <= 777; ++k) {
    EXPECT_TRUE(d.SetDuration(k, next()));
    EXPECT_TRUE(d.SetLoad(k, next()));
  }
  d.base = next();
  d.c0 = next();
  d.c = next() * 1e-9;
  d.q = next() * 1e30;
  d.Ptmin = next();
  d.Ptmax = next();
  d.a0 = next();
  d.a1 = next();
  d.Phmin = next();
  d.Phmax = next();
  d.Vtot = next();
  d.Zeta0 = next();
  d.Zetat = next();
  d.Zetah = next();
  d.Gammat = next();
  d.Gammah = next();
  d.alg.xnl = next();
  d.alg.x0 = next();
  d.alg.xlowbd = next();
  d.alg.y0 = next();
  d.alg.z0 = next();
  d.alg.Rho = next();
  d.alg.Maxit = -12345;
  d.alg.nu = 2000000000;
  EXPECT_EQ(FormatCaseFileToString(d, "r"), PlainFile(d, "r"));
}

TEST(CaseFileChecks, IntervalMessages) {
  struct {
    const char* name;
    std::vector<double> durations;
    std::vector<double> loads;
    std::vector<std::string> messages;
  } const rows[] = {
      {"all filled", {10, 14}, {500, 700}, {}},
      {"only interval 1 without duration", {0, 14}, {500, 700}, {"Intervalo não informado!"}},
      {"load 2 missing", {10, 14}, {500, 0}, {"Carga não informada!"}},
      {"durations before loads", {10, 0}, {0, 700},
       {"Intervalo não informado!", "Carga não informada!"}},
      {"everything missing", {0, 0}, {0, 0},
       {"Intervalo não informado!", "Intervalo não informado!", "Carga não informada!",
        "Carga não informada!"}},
      {"negative zero is zero", {-0.0, 1}, {1, -0.0},
       {"Intervalo não informado!", "Carga não informada!"}},
      {"tiny and negative values are entered", {1e-300, -5}, {-1, 4.9e-324}, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TCaseData d;
    ASSERT_TRUE(d.Create(static_cast<int32_t>(r.durations.size())));
    for (std::size_t i = 0; i < r.durations.size(); ++i) {
      EXPECT_TRUE(d.SetDuration(static_cast<int32_t>(i + 1), r.durations[i]));
      EXPECT_TRUE(d.SetLoad(static_cast<int32_t>(i + 1), r.loads[i]));
    }
    EXPECT_EQ(MessagesOf(CheckIntervals(d)), r.messages);
  }
}

TEST_F(CaseFileTest, MissingDurationWritesNothing) {
  TCaseData d = Example();
  EXPECT_TRUE(d.SetDuration(1, 0.0));
  EXPECT_EQ(MessagesOf(WriteCaseFile(d, "t", "caso1")),
            std::vector<std::string>{"Intervalo não informado!"});
  EXPECT_TRUE(Entries().empty());
  // An existing file of that name is left alone too.
  WriteFile("caso1.dad", "antigo\r\n");
  EXPECT_EQ(MessagesOf(WriteCaseFile(d, "t", "caso1")).size(), 1u);
  EXPECT_EQ(ReadFile("caso1.dad"), "antigo\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso1.dad"});
}

TEST_F(CaseFileTest, WritesAndOverwritesTheFile) {
  WriteFile("caso1.dad", "antigo conteúdo, mais longo que nada\r\n");
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "Caso exemplo", "caso1")).empty());
  EXPECT_EQ(ReadFile("caso1.dad"), ReadFile(fs::path(ZK_GOLDEN_DIR) / "caso_exemplo.dad"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso1.dad"});
}

TEST_F(CaseFileTest, EmptyBaseNameGivesDotDad) {
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "", "")).empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{".dad"});
  EXPECT_EQ(ReadFile(".dad").substr(0, 2), "\r\n");
}

TEST_F(CaseFileTest, BaseNameStaysUtf8AndTitleBecomesCp1252) {
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "Geração € — teste", "ação")).empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{"ação.dad"});
  EXPECT_EQ(ReadFile("ação.dad").substr(0, 19), "Gera\xE7\xE3o \x80 \x97 teste\r\n");
}

TEST_F(CaseFileTest, NewFileGetsUsualPermissionsAndKeepsExistingOnes) {
  const mode_t old_mask = umask(022);
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "t", "novo")).empty());
  struct stat info;
  ASSERT_EQ(stat("novo.dad", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  ASSERT_EQ(chmod("novo.dad", 0600), 0);
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "t", "novo")).empty());
  ASSERT_EQ(stat("novo.dad", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  umask(old_mask);
}

TEST_F(CaseFileTest, RefusedTitlesAndNamesWriteNothing) {
  struct {
    const char* name;
    std::string title;
    std::string base;
    std::vector<std::string> must_contain;
  } const rows[] = {
      {"line feed", "a\nb", "c", {"quebras de linha"}},
      {"carriage return", "a\rb", "c", {"quebras de linha"}},
      {"vertical tab", "a\vb", "c", {"quebras de linha ou de página"}},
      {"form feed", "a\fb", "c", {"quebras de linha ou de página"}},
      {"nul", std::string("a\0b", 3), "c", {"controle", "U+0000", "encerra o texto"}},
      {"end of file in text mode", "a\x1a", "c", {"controle", "U+001A", "encerra o texto"}},
      {"C1 next line", "a\u0085b", "c", {"controle", "U+0085"}},
      {"emoji", "caso \U0001F600", "c", {"\U0001F600", "U+1F600", "Windows-1252"}},
      {"greek", "\u03B1", "c", {"\u03B1", "U+03B1"}},
      {"broken utf-8", "a\xC3(", "c", {"texto válido"}},
      {"slash", "t", "pasta/caso", {"\"/\""}},
      {"leading slash", "t", "/caso", {"\"/\""}},
      {"nul in name", "t", std::string("ca\0so", 5), {"nulo"}},
      {"line feed in name", "t", "a\nb", {"controle", "U+000A", "quebras de linha"}},
      {"carriage return in name", "t", "a\r", {"controle", "U+000D"}},
      {"tab in name", "t", "\tcaso", {"controle", "U+0009", "tabulações"}},
      {"escape in name", "t", "ca\x1bso", {"controle", "U+001B"}},
      {"delete in name", "t", "caso\x7f", {"controle", "U+007F"}},
      {"C1 control in name", "t", "a\u0085", {"controle", "U+0085"}},
      {"broken utf-8 in name", "t", "a\xC3(", {"nome do arquivo", "texto válido"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<std::string> messages = MessagesOf(WriteCaseFile(Example(), r.title, r.base));
    ASSERT_EQ(messages.size(), 1u);
    for (const auto& part : r.must_contain) {
      EXPECT_NE(messages[0].find(part), std::string::npos) << messages[0];
    }
    EXPECT_EQ(messages[0].back(), '!');
    EXPECT_TRUE(Entries().empty());
  }
}

// A tab and the other control characters of the code page cannot end the
// line; they are written as typed.
TEST_F(CaseFileTest, ControlCharactersThatKeepTheLineAreWritten) {
  const std::string title = "a\tb\x1b c\x7f\x01\x1f";
  ASSERT_TRUE(MessagesOf(WriteCaseFile(Example(), title, "caso1")).empty());
  const std::string file = ReadFile("caso1.dad");
  EXPECT_EQ(file.substr(0, title.size() + 2), title + "\r\n");
  EXPECT_EQ(file.substr(title.size()), FormatCaseFileToString(Example(), ""));
}

TEST(CaseFileChecks, TitleConversion) {
  struct {
    const char* name;
    std::string utf8;
    std::string cp1252;
  } const rows[] = {
      {"ascii", "Caso 1", "Caso 1"},
      {"euro is 0x80", "\u20AC", "\x80"},
      {"accents", "ção é à", "\xE7\xE3o \xE9 \xE0"},
      {"nbsp and y-diaeresis", "\u00A0\u00FF", "\xA0\xFF"},
      {"quotes and dashes", "\u201Ca\u201D\u2013\u2014", "\x93" "a" "\x94\x96\x97"},
      {"empty", "", ""},
      {"tab as typed", "a\tb", "a\tb"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::string out = "unchanged";
    EXPECT_EQ(MessageOf(CheckTitle(r.utf8), &out), "");
    EXPECT_EQ(out, r.cp1252);
  }
}

TEST(CaseFileChecks, BaseNamePath) {
  std::string path;
  EXPECT_EQ(MessageOf(CheckBaseName("caso1", {}), &path), "");
  EXPECT_EQ(path, "caso1.dad");
  EXPECT_EQ(MessageOf(CheckBaseName("", {}), &path), "");
  EXPECT_EQ(path, ".dad");
  EXPECT_EQ(MessageOf(CheckBaseName("..", {}), &path), "");  // "...dad" stays in this folder
  EXPECT_EQ(path, "...dad");
  EXPECT_EQ(MessageOf(CheckBaseName("caso1", "/home/u/estudos"), &path), "");
  EXPECT_EQ(path, "/home/u/estudos/caso1.dad");
  EXPECT_EQ(MessageOf(CheckBaseName("caso1", "/"), &path), "");
  EXPECT_EQ(path, "/caso1.dad");
  EXPECT_EQ(MessageOf(CheckBaseName("x", "rel/sub/"), &path), "");
  EXPECT_EQ(path, "rel/sub/x.dad");
  path = "unchanged";
  EXPECT_EQ(MessageOf(CheckBaseName("a/b", "/home/u/estudos"), &path),
            "O nome do arquivo não pode conter \"/\": o arquivo é gravado na pasta "
            "\"/home/u/estudos\"!");
  EXPECT_EQ(path, "unchanged");
}

// A case reopened from another folder is saved beside that file, whatever
// the current folder; messages name that folder as an absolute path.
TEST_F(CaseFileTest, SavesIntoTheGivenFolder) {
  fs::create_directories("estudos/b");
  const std::string golden = ReadFile(fs::path(ZK_GOLDEN_DIR) / "caso_exemplo.dad");
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "Caso exemplo", "caso1", "estudos")).empty());
  EXPECT_TRUE(MessagesOf(WriteCaseFile(Example(), "Caso exemplo", "caso2", (dir_ / "estudos/b/").string()))
                  .empty());
  EXPECT_EQ(ReadFile("estudos/caso1.dad"), golden);
  EXPECT_EQ(ReadFile("estudos/b/caso2.dad"), golden);
  EXPECT_EQ(Entries(), std::vector<std::string>{"estudos"});

  const std::string here = fs::current_path().string();
  EXPECT_EQ(MessagesOf(WriteCaseFile(Example(), "t", "caso1", "estudos/../falta")),
            std::vector<std::string>{"Não foi possível gravar o arquivo \"caso1.dad\" na pasta \"" +
                                     here + "/falta\": a pasta não existe!"});
  EXPECT_EQ(MessagesOf(WriteCaseFile(Example(), "t", "a/b")),
            std::vector<std::string>{"O nome do arquivo não pode conter \"/\": o arquivo é "
                                     "gravado na pasta \"" + here + "\"!"});
  EXPECT_EQ(FolderForMessages(""), here);
  EXPECT_EQ(FolderForMessages("estudos/b/"), here + "/estudos/b");
}


TEST(CaseFileChecks, ALongEmptyTableGivesAHundredBoxesPerKindAndACount) {
  TCaseData d;
  ASSERT_TRUE(d.Create(1000000));
  d.durations[5] = 1;  // one duration known: 999,999 missing
  const std::vector<std::string> m = MessagesOf(CheckIntervals(d));
  ASSERT_EQ(m.size(), 2 * kMaxBoxesPerKind + 2);
  EXPECT_EQ(m[0], "Intervalo não informado!");
  EXPECT_EQ(m[kMaxBoxesPerKind - 1], "Intervalo não informado!");
  EXPECT_EQ(m[kMaxBoxesPerKind], "Intervalos não informados, além dos anteriores: 999899!");
  EXPECT_EQ(m[kMaxBoxesPerKind + 1], "Carga não informada!");
  EXPECT_EQ(m.back(), "Cargas não informadas, além das anteriores: 999900!");
}

TEST(CaseFileChecks, ExactlyAHundredMissingNeedNoCount) {
  TCaseData d;
  ASSERT_TRUE(d.Create(static_cast<int32_t>(kMaxBoxesPerKind)));
  for (std::size_t i = 0; i < kMaxBoxesPerKind; ++i) d.loads[i] = 1;
  const std::vector<std::string> m = MessagesOf(CheckIntervals(d));
  ASSERT_EQ(m.size(), kMaxBoxesPerKind);
  EXPECT_EQ(m.back(), "Intervalo não informado!");
}

}  // namespace
