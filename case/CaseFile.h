#pragma once
// The case file (".dad") read by the solver: 16 rows of fixed-column numbers,
// every line ending in CR LF. Formatting is pure (into a stream of chunks);
// committing the bytes to disk is the sink's business (FileSink.h).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"
#include "case/Status.h"

class TFileSink;

// TErrc::MissingValues with the details "Intervalo não informado!" once per
// interval whose duration is 0.0, in order, then "Carga não informada!" once
// per interval whose load is 0.0 (a window shows one box each). Past
// kMaxBoxesPerKind of one kind, one more message counts the rest.
inline constexpr std::size_t kMaxBoxesPerKind = 100;
TStatus CheckIntervals(const TCaseData& data);

// Checks the title (UTF-8, as typed) and gives it in the file's code page
// (TErrc::InvalidTitle when it cannot be written, or is longer than the
// title field's kMaxTitleCharacters: the reader refuses longer ones).
inline constexpr std::size_t kMaxTitleCharacters = 80;
TResult<std::string> CheckTitle(std::string_view title_utf8);

// Checks the base name and gives the path "<base>.dad" in `folder` (empty:
// the process's current folder, and the path stays relative to it);
// TErrc::InvalidName when it cannot be used.
TResult<std::string> CheckBaseName(std::string_view base_utf8, std::string_view folder);

// The folder as messages name it: absolute, without a trailing "/"
// ("" gives the current folder).
std::string FolderForMessages(std::string_view folder);

// Formats the whole file. `emit` receives consecutive chunks of bytes (each at
// most about 1 MiB) and returns false to stop early; FormatCaseFile then
// returns false. The title is written byte for byte.
using TChunkSink = std::function<bool(const char* data, std::size_t size)>;
bool FormatCaseFile(const TCaseData& data, std::string_view title_bytes,
                    const TChunkSink& emit);

// The whole file as one string (tests, small cases).
std::string FormatCaseFileToString(const TCaseData& data, std::string_view title_bytes);

// Checks the intervals, that every value is finite (CheckFinite, CaseEdit.h)
// and the title, then writes the case to `path` (bytes, as the file system
// names the file) through the safe save (FileSink.h). A failure to save is
// TErrc::FileWrite, or TErrc::FileUnsafe for a file refused for safety
// (another user's link or file in a shared folder), and its message names
// the file and its folder, as an absolute path:
//   "Não foi possível gravar o arquivo \"caso.dad\" na pasta \"/tmp\": é um link
//    simbólico de outro usuário (ana) numa pasta compartilhada, e por
//    segurança não é seguido!"
// `sink` defaults to the real file system.
TStatus SaveCaseFile(const TCaseData& data, std::string_view title_utf8, const std::string& path,
                     TFileSink* sink = nullptr);

// "GRAVAR": the checks of SaveCaseFile and of the base name, then the file
// "<base>.dad" in `folder` (empty: the current folder).
TStatus WriteCaseFile(const TCaseData& data, std::string_view title_utf8, std::string_view base_utf8,
                      std::string_view folder = {}, TFileSink* sink = nullptr);
