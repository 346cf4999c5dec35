#include "case/CaseFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>

#include "case/CaseEdit.h"
#include "case/Cp1252.h"
#include "case/FileNumber.h"
#include "case/FileSink.h"

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

// Collects bytes and hands them on in chunks of about kChunk bytes. Every
// "\n" of a line is written as CR LF by the callers (Eol()).
class TChunkWriter {
public:
  explicit TChunkWriter(const TChunkSink& emit) : emit_(emit), buffer_(new char[kChunk + 256]) {}

  bool ok() const { return ok_; }

  // Room for at least `size` more bytes (size <= 256) at Tail().
  char* Reserve(std::size_t size) {
    if (used_ + size > kChunk + 256) Flush();
    return buffer_.get() + used_;
  }
  void Advance(std::size_t size) {
    used_ += size;
    if (used_ >= kChunk) Flush();
  }

  void Append(const char* data, std::size_t size) {
    while (size > 0 && ok_) {
      const std::size_t room = kChunk - (used_ < kChunk ? used_ : kChunk);
      const std::size_t piece = size < room ? size : room;
      std::memcpy(buffer_.get() + used_, data, piece);
      data += piece;
      size -= piece;
      Advance(piece);
    }
  }
  void Append(std::string_view s) { Append(s.data(), s.size()); }

  void Int10(int32_t v) { Advance(WriteInt10(Reserve(kMaxFileNumber), v)); }
  void Fixed(double v, int d) { Advance(WriteFixed(Reserve(kMaxFileNumber), v, d)); }
  void Exp(double v, int d) { Advance(WriteExp(Reserve(kMaxFileNumber), v, d)); }
  void Eol() { Append("\r\n", 2); }

  // Bytes that go out as they are, bypassing the buffer (after what is
  // already buffered).
  void EmitDirect(const char* data, std::size_t size) {
    Flush();
    if (ok_ && size > 0) ok_ = emit_(data, size);
  }

  bool Flush() {
    if (ok_ && used_ > 0) ok_ = emit_(buffer_.get(), used_);
    used_ = 0;
    return ok_;
  }

private:
  const TChunkSink& emit_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

// A vector block: `count` copies of one value, eight to a line. The value is
// formatted once; full lines are copied, and long runs go out as one
// prepared chunk of whole lines sent again and again.
void WriteBlock(TChunkWriter& w, double value, uint64_t count) {
  char field[kMaxFileNumber];
  const std::size_t width = WriteFixed(field, value, 2);
  std::string line;
  for (int i = 0; i < 8; ++i) line.append(field, width);
  line += "\r\n";
  uint64_t lines = count / 8;
  const uint64_t rest = count % 8;
  const uint64_t per_chunk = kChunk / line.size();
  if (lines >= 2 * per_chunk) {
    std::string run;
    run.reserve(per_chunk * line.size());
    for (uint64_t i = 0; i < per_chunk; ++i) run += line;
    while (lines >= per_chunk && w.ok()) {
      w.EmitDirect(run.data(), run.size());
      lines -= per_chunk;
    }
  }
  for (; lines > 0 && w.ok(); --lines) w.Append(line);
  if (rest > 0) {
    w.Append(line.data(), width * rest);
    w.Eol();
  }
}

void WriteValues(TChunkWriter& w, const double* values, uint64_t count) {
  for (uint64_t i = 0; i < count && w.ok(); ++i) w.Fixed(values[i], 2);
}

std::string CodeName(char32_t cp) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
  return code;
}

// The character as the user typed it, and its code: "😀" (U+1F600).
std::string CharacterName(char32_t cp) {
  std::string utf8;
  if (cp < 0x80) {
    utf8 += static_cast<char>(cp);
  } else if (cp < 0x800) {
    utf8 += static_cast<char>(0xC0 | (cp >> 6));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    utf8 += static_cast<char>(0xE0 | (cp >> 12));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    utf8 += static_cast<char>(0xF0 | (cp >> 18));
    utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return "\"" + utf8 + "\" (" + CodeName(cp) + ")";
}

bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

}  // namespace

TStatus CheckIntervals(const TCaseData& data) {
  const std::size_t n = data.N > 0 ? static_cast<std::size_t>(data.N) : 0;
  if (n == 0 || data.durations.size() < n || data.loads.size() < n) {
    return MakeError(TErrc::OutOfRange, "Número de intervalos inválido!");
  }
  // One box per missing value, but a long empty table must not bury the
  // user under millions of boxes: past kMaxBoxesPerKind one box counts the rest.
  std::vector<std::string> messages;
  auto check = [&](const TIntervalArray& values, const char* each, const char* rest) {
    std::size_t missing = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (values[i] != 0.0) continue;
      if (++missing <= kMaxBoxesPerKind) messages.push_back(each);
    }
    if (missing > kMaxBoxesPerKind) {
      messages.push_back(std::string(rest) + std::to_string(missing - kMaxBoxesPerKind) + "!");
    }
  };
  check(data.durations, "Intervalo não informado!", "Intervalos não informados, além dos anteriores: ");
  check(data.loads, "Carga não informada!", "Cargas não informadas, além das anteriores: ");
  if (messages.empty()) return {};
  TError error;
  error.code = TErrc::MissingValues;
  for (const std::string& m : messages) {
    if (!error.message.empty()) error.message += '\n';
    error.message += m;
  }
  error.details = std::move(messages);
  return error;
}

TResult<std::string> CheckTitle(std::string_view title_utf8) {
  auto refuse = [](std::string message) { return MakeError(TErrc::InvalidTitle, std::move(message)); };
  const std::optional<std::u32string> text = DecodeUtf8(title_utf8);
  if (!text) return refuse("O título do caso não é um texto válido!");
  if (text->size() > kMaxTitleCharacters) {
    return refuse("O título do caso tem " + std::to_string(text->size()) + " caracteres, e o arquivo aceita no máximo " +
                  std::to_string(kMaxTitleCharacters) + "!");
  }
  std::string out;
  out.reserve(text->size());
  for (char32_t cp : *text) {
    // The title is one line of the file: only what would end that line
    // (LF, VT, FF, CR) or cut the text short for its reader (NUL for C,
    // SUB for a reader in DOS text mode) is refused. Tabs and the other
    // control characters of the code page are written as typed.
    if (cp >= 0x0A && cp <= 0x0D) {
      return refuse("O título do caso não pode conter quebras de linha ou de página!");
    }
    if (cp == 0x00 || cp == 0x1A) {
      return refuse("O título do caso não pode conter o caractere de controle " + CodeName(cp) +
                    ", que encerra o texto!");
    }
    if (cp >= 0x80 && cp <= 0x9F) {  // C1 controls: no byte in the code page
      return refuse("O título do caso não pode conter caracteres de controle (" + CodeName(cp) + ")!");
    }
    const int byte = CodePointToCp1252(cp);
    if (byte < 0) {
      return refuse("O título do caso contém o caractere " + CharacterName(cp) +
                    ", que não pode ser gravado no arquivo (Windows-1252)!");
    }
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

std::string FolderForMessages(std::string_view folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path absolute =
      folder.empty() ? fs::current_path(error) : fs::absolute(fs::path(folder), error);
  if (error) return folder.empty() ? std::string(".") : std::string(folder);
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

TResult<std::string> CheckBaseName(std::string_view base_utf8, std::string_view folder) {
  auto refuse = [](std::string message) { return MakeError(TErrc::InvalidName, std::move(message)); };
  if (base_utf8.find('/') != std::string_view::npos) {
    return refuse("O nome do arquivo não pode conter \"/\": o arquivo é gravado na pasta \"" +
                  FolderForMessages(folder) + "\"!");
  }
  if (base_utf8.find('\0') != std::string_view::npos) {
    return refuse("O nome do arquivo não pode conter o caractere nulo!");
  }
  const std::optional<std::u32string> text = DecodeUtf8(base_utf8);
  if (!text) return refuse("O nome do arquivo não é um texto válido!");
  for (char32_t cp : *text) {
    if (IsControl(cp)) {
      return refuse("O nome do arquivo não pode conter caracteres de controle (" + CodeName(cp) +
                    "), como quebras de linha ou tabulações!");
    }
  }
  std::string full;
  if (!folder.empty()) {
    full.assign(folder);
    if (full.back() != '/') full += '/';
  }
  full.append(base_utf8);
  full += ".dad";
  return full;
}

bool FormatCaseFile(const TCaseData& data, std::string_view title_bytes,
                    const TChunkSink& emit) {
  const uint64_t n = data.N > 0 ? static_cast<uint64_t>(data.N) : 0;
  const uint64_t have = data.durations.size() < data.loads.size() ? data.durations.size()
                                                                  : data.loads.size();
  const uint64_t values = n < have ? n : have;
  const TAlgorithmParameters& a = data.alg;
  TChunkWriter w(emit);

  w.Append(title_bytes);  // 1
  w.Eol();
  w.Int10(data.N);  // 2
  WriteValues(w, data.durations.data(), values);
  w.Eol();
  WriteValues(w, data.loads.data(), values);  // 3
  w.Eol();
  w.Int10(a.nu);  // 4
  w.Int10(a.nd);
  w.Eol();
  w.Int10(a.klim);  // 5
  w.Fixed(a.Epsext, 6);
  w.Fixed(a.Rhoext, 5);
  w.Eol();
  w.Fixed(data.base, 2);  // 6
  w.Eol();
  w.Exp(data.c0, 2);  // 7
  w.Exp(data.c, 2);
  w.Exp(data.q, 2);
  w.Fixed(data.Ptmin, 4);
  w.Fixed(data.Ptmax, 4);
  w.Eol();
  w.Exp(data.a0, 2);  // 8
  w.Exp(data.a1, 2);
  w.Fixed(data.Phmin, 4);
  w.Fixed(data.Phmax, 4);
  w.Fixed(data.Vtot, 2);
  w.Eol();
  w.Exp(data.Zeta0, 2);  // 9
  w.Exp(data.Zetat, 2);
  w.Exp(data.Zetah, 2);
  w.Exp(data.Gammat, 2);
  w.Exp(data.Gammah, 2);
  w.Eol();
  WriteBlock(w, a.xnl, 6 * n);  // 10..14
  WriteBlock(w, a.x0, 6 * n);
  WriteBlock(w, a.xlowbd, 2 * n);
  WriteBlock(w, a.y0, 5 * n + 1);
  WriteBlock(w, a.z0, 6 * n);
  w.Exp(a.Rho, 2);  // 15
  w.Exp(a.Epsln, 2);
  w.Int10(a.Maxit);
  w.Exp(a.Bigm, 1);
  w.Exp(a.Sigma, 2);
  w.Exp(a.Epslnp, 2);
  w.Exp(a.Epslmek, 2);
  w.Exp(a.Mu0, 2);
  w.Eol();
  w.Int10(a.iprint);  // 16
  w.Eol();
  return w.Flush();
}

std::string FormatCaseFileToString(const TCaseData& data, std::string_view title_bytes) {
  std::string out;
  FormatCaseFile(data, title_bytes, [&out](const char* p, std::size_t size) {
    out.append(p, size);
    return true;
  });
  return out;
}

namespace {

// Saves a record already checked, with its title already in the file's
// bytes, into path through sink (the atomic sink when null).
TStatus SaveChecked(const TCaseData& data, std::string_view title_bytes, const std::string& path, TFileSink* sink) {
  const std::string::size_type slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
  // The sink's phrase completes the message, which names the file and its
  // folder; the code stays (a file refused for safety is not a write error).
  auto failure = [&](TError error) {
    if (error.code != TErrc::FileUnsafe && error.code != TErrc::NoMemory) error.code = TErrc::FileWrite;
    error.message = "Não foi possível gravar o arquivo \"" + name + "\" na pasta \"" + FolderForMessages(folder) +
                    "\": " + error.message + "!";
    error.file = path;
    return error;
  };
  std::unique_ptr<TFileSink> own;
  if (sink == nullptr) {
    own = MakeAtomicFileSink();
    sink = own.get();
  }
  if (TStatus opened = sink->Open(path); !opened) {
    sink->Abort();
    return failure(std::move(opened).Error());
  }
  TStatus written;
  try {
    const bool whole = FormatCaseFile(data, title_bytes, [sink, &written](const char* p, std::size_t size) {
      written = sink->Write(p, size);
      return written.Ok();
    });
    if (whole) written = sink->Commit();
  } catch (const std::bad_alloc&) {
    written = MakeError(TErrc::NoMemory, "memória insuficiente");
  }
  if (!written) {
    sink->Abort();
    TError error = std::move(written).Error();
    // A file written in place (several hard links, a folder that takes no
    // new file) has no old copy to fall back on.
    if (sink->TargetMayBeIncomplete()) error.message += "; o arquivo pode ter ficado incompleto";
    return failure(std::move(error));
  }
  return {};
}

}  // namespace

TStatus SaveCaseFile(const TCaseData& data, std::string_view title_utf8, const std::string& path,
                     TFileSink* sink) {
  if (TStatus intervals = CheckIntervals(data); !intervals) return intervals;
  // Only values changed in place by a script can be infinite or NaN.
  if (TStatus finite = CheckFinite(data); !finite) return finite;
  TResult<std::string> title = CheckTitle(title_utf8);
  if (!title) return std::move(title).Error();
  return SaveChecked(data, *title, path, sink);
}

TStatus WriteCaseFile(const TCaseData& data, std::string_view title_utf8, std::string_view base_utf8,
                      std::string_view folder, TFileSink* sink) {
  // The interval messages come first, as the user corrects those first.
  if (TStatus intervals = CheckIntervals(data); !intervals) return intervals;
  TResult<std::string> title = CheckTitle(title_utf8);
  if (!title) return std::move(title).Error();
  TResult<std::string> path = CheckBaseName(base_utf8, folder);
  if (!path) return std::move(path).Error();
  if (TStatus finite = CheckFinite(data); !finite) return finite;
  return SaveChecked(data, *title, *path, sink);
}
