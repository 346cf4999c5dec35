#pragma once
// The case file (".dad") read by the solver: 16 rows of fixed-column numbers,
// every line ending in CR LF. Formatting is pure (into a stream of chunks);
// committing the bytes to disk is the sink's business (FileSink.h).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"

class TFileSink;

// "Intervalo não informado!" once per interval whose duration is 0.0, in
// order, then "Carga não informada!" once per interval whose load is 0.0.
// Past kMaxBoxesPerKind of one kind, one more message counts the rest.
inline constexpr std::size_t kMaxBoxesPerKind = 100;
std::vector<std::string> CheckIntervals(const TCaseData& data);

// Checks the title (UTF-8, as typed) and converts it to the file's code page.
// Returns an error message, or an empty string and sets *cp1252.
std::string CheckTitle(std::string_view title_utf8, std::string* cp1252);

// Checks the base name and gives the path "<base>.dad" in `folder` (empty:
// the process's current folder, and the path stays relative to it).
// Returns an error message, or an empty string and sets *path.
std::string CheckBaseName(std::string_view base_utf8, std::string_view folder,
                          std::string* path);

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

// "GRAVAR": checks, then writes "<base>.dad" into `folder` (empty: the
// current folder). Returns the messages for the user, one box each, in
// order; empty means the file was written. Messages about saving name the
// file and the folder, as an absolute path. `sink` defaults to the real
// file system.
std::vector<std::string> WriteCaseFile(const TCaseData& data,
                                       std::string_view title_utf8,
                                       std::string_view base_utf8,
                                       std::string_view folder = {},
                                       TFileSink* sink = nullptr);
