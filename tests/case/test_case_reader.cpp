#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "tests/case/StatusText.h"
#include "case/Cp1252.h"
#include "case/FileNumber.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// The file as the writer writes it for a title typed in the window (UTF-8).
std::string Written(const TCaseData& d, const std::string& title_utf8) {
  std::string cp1252;
  EXPECT_EQ(MessageOf(CheckTitle(title_utf8), &cp1252), "") << title_utf8;
  return FormatCaseFileToString(d, cp1252);
}

// The bytes the writer gives for a file the reader accepted: every line
// ended by CR LF, whatever ended it before.
std::string WithCrLf(const std::string& bytes) {
  std::string out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    if (lf == std::string::npos) lf = bytes.size();
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') --end;
    out.append(bytes, start, end - start);
    out += "\r\n";
    start = lf + 1;
  }
  return out;
}

std::string WithLf(const std::string& crlf) {
  std::string out;
  for (std::size_t i = 0; i < crlf.size(); ++i) {
    if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') continue;
    out += crlf[i];
  }
  return out;
}

std::string Golden() { return ReadBytes(fs::path(ZK_GOLDEN_DIR) / "caso_exemplo.dad"); }

// ---- random records ----------------------------------------------------

class TRandomCase {
public:
  explicit TRandomCase(uint64_t seed) : rng_(seed) {}

  // Values of every magnitude and sign the writer handles, with its corners
  // (ties, the 1E40 switch, the largest and smallest doubles) often enough.
  double Value() {
    static const double kCorners[] = {
        0.0,     -0.0,     DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, 4.9406564584124654e-324, 1e40, -1e40,
        std::nextafter(1e40, 0.0), 1e39, 9.995, 0.005, 0.125, 0.375, 1e15, 1e19, 1234567.891,
        -1234567.89, 0.001, -0.001, 99999999.995, 1.795e308, 1e-5, 1e-20, 5e-7,
    };
    switch (Pick(5)) {
      case 0: return kCorners[Pick(std::size(kCorners))];
      case 1: {  // any finite double, from its bits
        for (;;) {
          const uint64_t bits = rng_();
          double v;
          std::memcpy(&v, &bits, sizeof v);
          if (std::isfinite(v)) return v;
        }
      }
      case 2: return static_cast<double>(static_cast<int64_t>(rng_() % 2000000000) - 1000000000) / 100.0;
      case 3: {
        const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(rng_);
        return mantissa * std::pow(10.0, static_cast<int>(Pick(80)) - 40);
      }
      default: return static_cast<double>(Pick(100000)) / 100.0;
    }
  }

  int32_t Integer() {
    static const int32_t kCorners[] = {INT32_MIN, INT32_MAX, -1234567890, 1234567890, -123456789, 0, -1, 30};
    if (Pick(3) == 0) return kCorners[Pick(std::size(kCorners))];
    return static_cast<int32_t>(static_cast<uint32_t>(rng_()));
  }

  // UTF-8 text of the characters the writer accepts in a title (its own
  // check decides), every byte of the code page tried.
  std::string Title() {
    const std::size_t length = Pick(4) == 0 ? 0 : Pick(kMaxTitleCharacters + 1);
    std::string text;
    for (std::size_t n = 0; n < length;) {
      const char byte = static_cast<char>(Pick(0x100));
      const std::optional<std::string> utf8 = Cp1252ToUtf8(std::string_view(&byte, 1));
      std::string ignored;
      if (utf8 && MessageOf(CheckTitle(*utf8), &ignored).empty()) {
        text += *utf8;
        ++n;
      }
    }
    return text;
  }

  int32_t Count() {
    const std::size_t r = Pick(100);
    if (r < 70) return 1 + static_cast<int32_t>(Pick(20));
    if (r < 95) return 21 + static_cast<int32_t>(Pick(480));
    return 501 + static_cast<int32_t>(Pick(2500));
  }

  TCaseData Record() {
    TCaseData d;
    EXPECT_TRUE(d.Create(Count()));
    for (int32_t k = 1; k <= d.N; ++k) {
      EXPECT_TRUE(d.SetDuration(k, Value()));
      EXPECT_TRUE(d.SetLoad(k, Value()));
    }
    for (double* v : Reals(d)) *v = Value();
    for (int32_t* v : {&d.alg.nu, &d.alg.nd, &d.alg.klim, &d.alg.Maxit, &d.alg.iprint}) *v = Integer();
    return d;
  }

  static std::vector<double*> Reals(TCaseData& d) {
    TAlgorithmParameters& a = d.alg;
    return {&d.base, &d.c0, &d.c, &d.q, &d.a0, &d.a1, &d.Ptmin, &d.Ptmax, &d.Vtot, &d.Phmin, &d.Phmax,
            &d.Zeta0, &d.Zetat, &d.Zetah, &d.Gammat, &d.Gammah, &a.Epsext, &a.Rhoext, &a.xnl, &a.x0,
            &a.xlowbd, &a.y0, &a.z0, &a.Rho, &a.Epsln, &a.Bigm, &a.Sigma, &a.Epslnp, &a.Epslmek, &a.Mu0};
  }

  std::size_t Pick(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }

private:
  std::mt19937_64 rng_;
};

// How each real of TRandomCase::Reals is written: 'f' or 'e' and decimals.
struct TConversion {
  char kind;
  int decimals;
};
const TConversion kRealConversions[] = {
    {'f', 2}, {'e', 2}, {'e', 2}, {'e', 2}, {'e', 2}, {'e', 2}, {'f', 4}, {'f', 4}, {'f', 2}, {'f', 4},
    {'f', 4}, {'e', 2}, {'e', 2}, {'e', 2}, {'e', 2}, {'e', 2}, {'f', 6}, {'f', 5}, {'f', 2}, {'f', 2},
    {'f', 2}, {'f', 2}, {'f', 2}, {'e', 2}, {'e', 2}, {'e', 1}, {'e', 2}, {'e', 2}, {'e', 2}, {'e', 2},
};

// An independent oracle for decimal -> double: the C library's strtod,
// which rounds correctly; texts beyond the range stand for the largest double.
double Oracle(double written, TConversion conversion) {
  std::string text;
  if (conversion.kind == 'f') {
    AppendFixed(text, written, conversion.decimals);
  } else {
    AppendExp(text, written, conversion.decimals);
  }
  const double v = std::strtod(text.c_str(), nullptr);
  return std::isinf(v) ? std::copysign(DBL_MAX, v) : v;
}

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---- tests ---------------------------------------------------------------

TEST(CaseReader, GoldenExampleReadsAndWritesBackByteForByte) {
  const std::string golden = Golden();
  for (const std::string& bytes : {golden, WithLf(golden)}) {
    TCaseData d;
    std::string title;
    ASSERT_EQ(MessageOf(ParseCaseFile(bytes, &d, &title)), "");
    EXPECT_EQ(title, "Caso exemplo");
    ASSERT_EQ(d.N, 2);
    EXPECT_EQ(d.durations[0], 10.0);
    EXPECT_EQ(d.durations[1], 14.0);
    EXPECT_EQ(d.loads[0], 500.0);
    EXPECT_EQ(d.loads[1], 700.0);
    EXPECT_EQ(d.base, 100.0);
    const TAlgorithmParameters defaults;
    EXPECT_EQ(d.alg.Rho, defaults.Rho);
    EXPECT_EQ(d.alg.Epsext, defaults.Epsext);
    EXPECT_EQ(d.alg.xlowbd, defaults.xlowbd);
    EXPECT_EQ(d.alg.Bigm, defaults.Bigm);
    EXPECT_EQ(d.alg.Epslmek, defaults.Epslmek);
    EXPECT_EQ(d.alg.Maxit, defaults.Maxit);
    EXPECT_EQ(Written(d, title), golden);
  }
}

// write -> read -> write gives the same bytes, for CR LF and LF files, and
// every value read is the nearest double to its text.
TEST(CaseReader, RoundTripOfRandomRecords) {
  TRandomCase random(20240611);
  constexpr int kRecords = 3000;
  for (int r = 0; r < kRecords; ++r) {
    TCaseData d = random.Record();
    const std::string title = random.Title();
    const std::string bytes = Written(d, title);
    const bool lf = r % 4 == 3;
    TCaseData back;
    std::string back_title;
    const std::string error = MessageOf(ParseCaseFile(lf ? WithLf(bytes) : bytes, &back, &back_title));
    ASSERT_EQ(error, "") << "record " << r << ", N = " << d.N;
    ASSERT_EQ(back_title, title) << "record " << r;
    ASSERT_EQ(Written(back, back_title), bytes) << "record " << r;

    ASSERT_EQ(back.N, d.N);
    EXPECT_EQ(back.alg.nu, d.alg.nu);
    EXPECT_EQ(back.alg.nd, d.alg.nd);
    EXPECT_EQ(back.alg.Maxit, d.alg.Maxit);
    const std::vector<double*> written = TRandomCase::Reals(d);
    const std::vector<double*> read = TRandomCase::Reals(back);
    for (std::size_t i = 0; i < written.size(); ++i) {
      ASSERT_TRUE(SameDouble(*read[i], Oracle(*written[i], kRealConversions[i])))
          << "record " << r << ", real #" << i << ": wrote " << *written[i] << ", read " << *read[i];
    }
    for (int32_t i = 0; i < d.N && i < 50; ++i) {
      ASSERT_TRUE(SameDouble(back.durations[i], Oracle(d.durations[i], {'f', 2}))) << "record " << r;
      ASSERT_TRUE(SameDouble(back.loads[i], Oracle(d.loads[i], {'f', 2}))) << "record " << r;
    }
  }
}

// The writer's corners, each in a record of its own.
TEST(CaseReader, AcceptsTheWritersCorners) {
  struct {
    const char* name;
    void (*set)(TCaseData&);
    const char* text;  // appears in the file
  } const rows[] = {
      {"ten-digit integers side by side", [](TCaseData& d) { d.alg.nu = -1234567890; d.alg.nd = 1234567890; },
       "-12345678901234567890"},
      {"nine digits and ten digits side by side", [](TCaseData& d) { d.alg.nu = -123456789; d.alg.nd = 1234567890; },
       "-1234567891234567890"},
      {"negative values without a blank", [](TCaseData& d) { d.durations[0] = d.durations[1] = -1234567.89; },
       "-1234567.89-1234567.89"},
      {"exponent followed by ten digits", [](TCaseData& d) { d.alg.Epsln = 1e-4; d.alg.Maxit = 1234567890; },
       "1.00e-041234567890"},
      {"f field from 1E40 on", [](TCaseData& d) { d.base = 1e40; }, " 1.000000000000000030000000000000000000000e+40"},
      {"f field of 39 digits keeps one decimal", [](TCaseData& d) { d.Vtot = 1e39; },
       " 999999999999999939700000000000000000000.0"},
      {"f field of 40 digits has no point", [](TCaseData& d) { d.Vtot = 5e39; },
       " 5000000000000000152000000000000000000000\r\n"},
      {"largest double in an e field", [](TCaseData& d) { d.c0 = -DBL_MAX; d.alg.Bigm = DBL_MAX; }, "-1.80e+308"},
      {"smallest double", [](TCaseData& d) { d.Zeta0 = 4.9406564584124654e-324; }, "\n 4.94e-324  0.00e+00"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TCaseData d;
    ASSERT_TRUE(d.Create(2));
    row.set(d);
    const std::string bytes = Written(d, "t");
    ASSERT_NE(bytes.find(row.text), std::string::npos) << bytes;
    TCaseData back;
    std::string title;
    ASSERT_EQ(MessageOf(ParseCaseFile(bytes, &back, &title)), "");
    EXPECT_EQ(Written(back, title), bytes);
    EXPECT_EQ(back.alg.nu, d.alg.nu);
    EXPECT_EQ(back.alg.nd, d.alg.nd);
    EXPECT_EQ(back.alg.Maxit, d.alg.Maxit);
    EXPECT_EQ(back.c0, d.c0);
    EXPECT_EQ(back.alg.Bigm, d.alg.Bigm);
    EXPECT_EQ(back.durations[1], d.durations[1]);
  }
}

// The golden file with line k (1-based) replaced.
std::string GoldenWithLine(int k, const std::string& text) {
  std::string g = Golden();
  std::size_t start = 0;
  for (int i = 1; i < k; ++i) start = g.find("\r\n", start) + 2;
  const std::size_t end = g.find("\r\n", start);
  return g.replace(start, end - start, text);
}

TEST(CaseReader, RefusesWithOneMessageNamingLineAndColumn) {
  const std::string golden = Golden();
  const std::string line11 = "      0.00      0.00      0.00      0.00";
  const std::string huge_real = " 1" + std::string(309, '0') + ".00";
  struct {
    const char* name;
    std::string bytes;
    const char* message;
  } const rows[] = {
      {"letters for a real", GoldenWithLine(7, "  0.00e+00  0.00e+00       abc    0.0000    0.0000"),
       "Linha 7, coluna 21: esperado um número real."},
      {"letters for an integer", GoldenWithLine(4, "        40       abc"),
       "Linha 4, coluna 11: esperado um número inteiro."},
      {"decimal comma", GoldenWithLine(6, "    100,00"), "Linha 6, coluna 1: esperado um número real."},
      {"inf", GoldenWithLine(6, "       inf"), "Linha 6, coluna 1: esperado um número real."},
      {"nan in an e field", GoldenWithLine(9, "       nan  0.00e+00  0.00e+00  0.00e+00  0.00e+00"),
       "Linha 9, coluna 1: esperado um número real."},
      {"integer beyond int32", GoldenWithLine(4, "9999999999        30"),
       "Linha 4, coluna 1: número inteiro fora do intervalo de -2147483648 a 2147483647."},
      {"integer below int32", GoldenWithLine(20, "-2147483649"),
       "Linha 20, coluna 1: número inteiro fora do intervalo de -2147483648 a 2147483647."},
      {"real beyond double", GoldenWithLine(3, huge_real + "    700.00"),
       "Linha 3, coluna 1: valor mais longo do que o arquivo permite (47 caracteres)."},
      {"a line wider than its fields", GoldenWithLine(6, huge_real),
       "Linha 6, coluna 48: a linha passa de 47 caracteres, o máximo que ela pode ter neste caso."},
      {"two integers and a third", GoldenWithLine(4, "        40        30         7"),
       "Linha 4, coluna 23: a linha passa de 22 caracteres, o máximo que ela pode ter neste caso."},
      {"a block line of blanks", GoldenWithLine(14, std::string(200, ' ')),
       "Linha 14, coluna 189: a linha passa de 188 caracteres, o máximo que ela pode ter neste caso."},
      {"title of 81 characters", GoldenWithLine(1, std::string(81, 'x')),
       "Linha 1, coluna 81: o título passa de 80 caracteres."},
      {"blanks after the loads, past the line's reach", GoldenWithLine(3, "    500.00    700.00" + std::string(200, ' ')),
       "Linha 3, coluna 21: esperado o fim da linha."},
      {"blanks for a duration", GoldenWithLine(2, "         2" + std::string(100, ' ')),
       "Linha 2, coluna 11: esperado um número real."},
      {"e text beyond double", GoldenWithLine(9, " 2.00e+308  0.00e+00  0.00e+00  0.00e+00  0.00e+00"),
       "Linha 9, coluna 1: número real fora do intervalo representável."},
      {"not the writer's e text", GoldenWithLine(7, "   0.0e+00  0.00e+00  0.00e+00    0.0000    0.0000"),
       "Linha 7, coluna 1: número fora do formato do arquivo (esperado \"  0.00e+00\")."},
      {"leading zeros", GoldenWithLine(4, "0000000040        30"),
       "Linha 4, coluna 1: número fora do formato do arquivo (esperado \"        40\")."},
      {"one blank too many", GoldenWithLine(6, "     100.00"),
       "Linha 6, coluna 1: número fora do formato do arquivo (esperado \"    100.00\")."},
      {"N = 0", GoldenWithLine(2, "         0     10.00     14.00"),
       "Linha 2, coluna 1: o número de intervalos deve ser pelo menos 1."},
      {"N negative", GoldenWithLine(2, "        -3     10.00     14.00"),
       "Linha 2, coluna 1: o número de intervalos deve ser pelo menos 1."},
      {"N beyond the file", GoldenWithLine(2, "2000000000     10.00     14.00"),
       "Linha 2, coluna 1: 2000000000 intervalos exigem um arquivo de pelo menos 540000000000 bytes, e este "
       "tem 912."},
      {"20-byte file claiming two billion intervals", "x\r\n2000000000\r\nabc\r\n",
       "Linha 2, coluna 1: 2000000000 intervalos exigem um arquivo de pelo menos 540000000000 bytes, e este "
       "tem 20."},
      {"fewer durations than N", GoldenWithLine(2, "         3     10.00     14.00"),
       "Linha 2, coluna 31: faltam valores nesta linha (esperados 4)."},
      {"more loads than N", GoldenWithLine(3, "    500.00    700.00    800.00"),
       "Linha 3, coluna 21: valores a mais nesta linha (esperados 2)."},
      {"text after the values", GoldenWithLine(6, "    100.00 x"), "Linha 6, coluna 11: esperado o fim da linha."},
      {"CR before CR LF", GoldenWithLine(6, "    100.00\r"), "Linha 6, coluna 11: esperado o fim da linha."},
      {"block line too short", GoldenWithLine(11, "      0.00      0.00      0.00"),
       "Linha 11, coluna 31: faltam valores nesta linha (esperados 4)."},
      {"block line too long", GoldenWithLine(14, "     -1.00     -1.00     -1.00     -1.00     -1.00"),
       "Linha 14, coluna 41: valores a mais nesta linha (esperados 4)."},
      {"block values differ", GoldenWithLine(13, "      1.00      1.00      2.00      1.00"),
       "Linha 13, coluna 21: os valores de x0 devem ser todos iguais (esperado \"      1.00\")."},
      {"negative zero in a block of zeros", GoldenWithLine(16, "      0.00     -0.00      0.00"),
       "Linha 16, coluna 11: os valores de y0 devem ser todos iguais (esperado \"      0.00\")."},
      {"block one line too long", GoldenWithLine(11, line11 + "\r\n" + line11),
       "Linha 12, coluna 41: faltam valores nesta linha (esperados 8)."},
      {"last line missing", golden.substr(0, golden.size() - 12),
       "Linha 20, coluna 1: o arquivo termina antes do fim do caso (esperadas 20 linhas)."},
      {"a line after the case", golden + "\r\n",
       "Linha 21, coluna 1: esperado o fim do arquivo (o caso tem 20 linhas)."},
      {"no line end at the end", golden.substr(0, golden.size() - 2),
       "Linha 20, coluna 11: falta a quebra de linha no fim da linha."},
      {"end-of-text control in the title", GoldenWithLine(1, "Caso\x1A exemplo"),
       "Linha 1, coluna 5: caractere não permitido no título (byte 0x1A)."},
      {"CR inside the title", GoldenWithLine(1, "Caso\rexemplo"),
       "Linha 1, coluna 5: caractere não permitido no título (byte 0x0D)."},
      {"unassigned byte in the title", GoldenWithLine(1, "Caso \x81"),
       "Linha 1, coluna 6: caractere não permitido no título (byte 0x81)."},
      {"empty file", "", "Linha 1, coluna 1: o arquivo termina antes do fim do caso."},
  };
  TCaseData keep;
  ASSERT_TRUE(keep.Create(3));
  keep.base = 42.0;
  const std::string keep_bytes = FormatCaseFileToString(keep, "kept");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string title = "kept";
    const TStatus status = ParseCaseFile(row.bytes, &keep, &title);
    EXPECT_EQ(MessageOf(status), row.message);
    // The place is also given apart, for programs: the message's own numbers.
    ASSERT_EQ(status.Code(), TErrc::DamagedFile);
    EXPECT_EQ(std::string(row.message).rfind("Linha " + std::to_string(status.Error().line) + ", coluna " +
                                    std::to_string(status.Error().column) + ": ", 0), 0u);
    EXPECT_EQ(title, "kept");
    EXPECT_EQ(FormatCaseFileToString(keep, title), keep_bytes);
    // The same from a file, whatever pieces it is read in, with the file named.
    const fs::path path = fs::temp_directory_path() / ("zk_refused_" + std::to_string(getpid()) + ".dad");
    WriteBytes(path, row.bytes);
    for (std::size_t piece : {0, 1, 7, 64}) {
      SetReadPieceForTesting(piece);
      const TStatus read = ReadCaseFile(path.string(), &keep, &title);
      SetReadPieceForTesting(0);
      EXPECT_EQ(MessageOf(read), row.message) << "pieces of " << piece;
      EXPECT_EQ(read.Error().file, path.string());
      EXPECT_EQ(read.Error().line, status.Error().line);
    }
    fs::remove(path);
  }
}

// Random damage to valid files: each result is either one message of the
// fixed shape, pointing inside the file, or a record that writes the
// damaged file's exact bytes (its lines ended by CR LF).
TEST(CaseReader, DamagedFilesAreRefusedOrRewrittenExactly) {
  TRandomCase random(7);
  std::vector<std::string> files = {Golden()};
  for (int i = 0; i < 6; ++i) {
    TCaseData d;
    ASSERT_TRUE(d.Create(1 + static_cast<int32_t>(random.Pick(4))));
    for (int32_t k = 1; k <= d.N; ++k) {
      EXPECT_TRUE(d.SetDuration(k, random.Value()));
      EXPECT_TRUE(d.SetLoad(k, random.Value()));
    }
    d.alg.xnl = random.Value();
    files.push_back(Written(d, random.Title()));
  }
  const char kAlphabet[] = " 0123456789.-e+\r\nx";
  const fs::path file = fs::temp_directory_path() / ("zk_damaged_" + std::to_string(getpid()) + ".dad");
  int accepted = 0;
  for (int m = 0; m < 20000; ++m) {
    std::string bytes = files[random.Pick(files.size())];
    const int edits = 1 + static_cast<int>(random.Pick(3));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
      const std::size_t at = random.Pick(bytes.size());
      const char ch = kAlphabet[random.Pick(sizeof kAlphabet - 1)];
      switch (random.Pick(3)) {
        case 0: bytes[at] = ch; break;
        case 1: bytes.erase(at, 1); break;
        default: bytes.insert(at, 1, ch); break;
      }
    }
    TCaseData d;
    std::string title;
    const std::string message = MessageOf(ParseCaseFile(bytes, &d, &title));
    if (m % 16 == 0) {  // the same verdict from pieces that cut lines anywhere
      WriteBytes(file, bytes);
      SetReadPieceForTesting(1 + random.Pick(97));
      TCaseData from_file;
      std::string file_title;
      const std::string file_message = MessageOf(ReadCaseFile(file.string(), &from_file, &file_title));
      SetReadPieceForTesting(0);
      ASSERT_EQ(file_message, message) << "mutation " << m;
      if (message.empty()) {
        EXPECT_EQ(Written(from_file, file_title), WithCrLf(bytes));
      }
    }
    if (message.empty()) {
      ++accepted;
      ASSERT_EQ(Written(d, title), WithCrLf(bytes)) << "mutation " << m;
      continue;
    }
    // "Linha L, coluna C: <one line of text>."
    unsigned long line = 0, column = 0;
    int text_at = 0;
    ASSERT_EQ(std::sscanf(message.c_str(), "Linha %lu, coluna %lu: %n", &line, &column, &text_at), 2) << message;
    ASSERT_GT(text_at, 0) << message;
    EXPECT_GT(message.size(), static_cast<std::size_t>(text_at) + 1) << message;
    EXPECT_EQ(message.back(), '.') << message;
    EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
    const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_LE(line, lines + 1) << message;
    EXPECT_EQ(d.N, 1) << "a refused file left a record";
  }
  // Some damage is harmless (a digit changed inside a value): those files
  // must have been accepted and checked above.
  EXPECT_GT(accepted, 100);
  fs::remove(file);
}

class CaseReaderFiles : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zk_case_reader_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path dir_;
};

TEST_F(CaseReaderFiles, ReadsInPiecesWithProgressAndCancel) {
  TRandomCase random(99);
  TCaseData d;
  ASSERT_TRUE(d.Create(20000));
  for (int32_t k = 1; k <= d.N; ++k) {
    EXPECT_TRUE(d.SetDuration(k, random.Value()));
    EXPECT_TRUE(d.SetLoad(k, random.Value()));
  }
  const std::string bytes = Written(d, "Caso grande ação");
  const fs::path path = dir_ / "grande.dad";
  WriteBytes(path, bytes);

  std::vector<std::pair<uint64_t, uint64_t>> calls;
  TCaseData back;
  std::string title;
  ASSERT_EQ(MessageOf(ReadCaseFile(path.string(), &back, &title, [&](uint64_t done, uint64_t total) {
              calls.emplace_back(done, total);
              return true;
            })),
            "");
  EXPECT_EQ(title, "Caso grande ação");
  EXPECT_EQ(Written(back, title), bytes);
  ASSERT_GE(calls.size(), 5u) << "about one call per MiB of " << bytes.size() << " bytes";
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].second, bytes.size());
    if (i > 0) {
      EXPECT_GE(calls[i].first, calls[i - 1].first);
    }
  }
  EXPECT_EQ(calls.back().first, bytes.size());

  // Cancelled half way: the read fails and nothing is kept.
  TCaseData keep;
  ASSERT_TRUE(keep.Create(1));
  std::string keep_title = "kept";
  const TStatus cancelled = ReadCaseFile(path.string(), &keep, &keep_title,
                                        [&](uint64_t done, uint64_t total) { return done < total / 2; });
  EXPECT_EQ(cancelled.Code(), TErrc::Cancelled);
  EXPECT_EQ(MessageOf(cancelled), kReadCancelled);
  EXPECT_EQ(keep.N, 1);
  EXPECT_EQ(keep_title, "kept");
}

TEST_F(CaseReaderFiles, FilesThatCannotBeRead) {
  const fs::path missing = dir_ / "nada.dad";
  const fs::path fifo = dir_ / "fifo.dad";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct {
    fs::path path;
    std::string reason;
  } const rows[] = {
      {missing, "o arquivo não existe"},
      {dir_, "o caminho é uma pasta"},
      {fifo, "não é um arquivo comum"},
  };
  for (const auto& row : rows) {
    TCaseData d;
    std::string title;
    EXPECT_EQ(MessageOf(ReadCaseFile(row.path.string(), &d, &title)),
              "Não foi possível abrir o arquivo \"" + row.path.string() + "\": " + row.reason + ".");
  }
}

// A file large enough for its N, but whose arrays cannot be had: refused
// with the memory message (the address space of a child is limited; the
// file is sparse, so it costs no disk).
TEST_F(CaseReaderFiles, CountBeyondMemoryIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
#endif
#endif
  const int32_t n = 100000000;  // two arrays of 800 MB
  const fs::path path = dir_ / "enorme.dad";
  WriteBytes(path, "x\r\n 100000000     1.00\r\n");
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kMinBytesPerInterval) * n), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit {1024L << 20, 1024L << 20};  // 1 GiB of address space
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    TCaseData d;
    std::string title;
    const std::string message = MessageOf(ReadCaseFile(path.string(), &d, &title));
    _exit(message == "Linha 2, coluna 1: memória insuficiente para 100000000 intervalos." ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Whatever a file holds, reading it takes memory for the case its N can
// justify, never for its longest line: files of 2 GiB, one line from the
// first or the second on, read in a fresh child whose peak resident memory
// is measured (the files are sparse past their first MiB).
TEST_F(CaseReaderFiles, MemoryStaysBoundedWhateverTheLinesHold) {
  const std::string blanks(1 << 20, ' ');
  struct {
    const char* name;
    std::string head;
    const char* message;
  } const rows[] = {
      {"blanks", blanks, "Linha 1, coluna 81: o título passa de 80 caracteres."},
      {"blanks after the count", "t\r\n         1" + blanks, "Linha 2, coluna 11: esperado um número real."},
      {"digits after the count", "t\r\n         1" + std::string(1 << 20, '1'),
       "Linha 2, coluna 11: valor mais longo do que o arquivo permite (47 caracteres)."},
      {"blanks after the loads", "t\r\n         1     10.00\r\n    500.00" + blanks,
       "Linha 3, coluna 11: esperado o fim da linha."},
      {"a count the size allows, then blanks", "t\r\n   7000000" + blanks,
       "Linha 2, coluna 11: esperado um número real."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path path = dir_ / "grande.dad";
    WriteBytes(path, row.head);
    ASSERT_EQ(truncate(path.c_str(), off_t{2} << 30), 0);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The peak so far forgotten, then read before and after.
      auto peak_kib = [] {
        long kib = -1;
        if (FILE* f = std::fopen("/proc/self/status", "r")) {
          char line[256];
          while (std::fgets(line, sizeof line, f) != nullptr) {
            if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
          }
          std::fclose(f);
        }
        return kib;
      };
      if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
      }
      const long before = peak_kib();
      TCaseData d;
      std::string title;
      const std::string message = MessageOf(ReadCaseFile(path.string(), &d, &title));
      const long grown = peak_kib() - before;
      const std::string report = std::to_string(before > 0 ? grown : -1) + "\n" + message;
      _exit(write(out[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(out[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::size_t cut = report.find('\n');
    ASSERT_NE(cut, std::string::npos);
    const long grown_kib = std::stol(report.substr(0, cut));
    EXPECT_EQ(report.substr(cut + 1), row.message);
    ASSERT_GE(grown_kib, 0) << "no VmHWM in /proc/self/status";
    EXPECT_LT(grown_kib, 64 * 1024) << "KiB above the reader's start";
    fs::remove(path);
  }
}

}  // namespace
