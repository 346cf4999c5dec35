#pragma once
// Reading a case file back: the inverse of FormatCaseFile (CaseFile.h).
//
// The reader accepts exactly the files the writer produces, with either CR LF
// or a bare LF at the end of each line, and nothing else: every field must be
// the writer's own text for the value it holds (padding, digits, exponent
// layout), so whatever is accepted writes back to the same bytes. That covers
// the writer's corners: fields widened past 10 columns, values following one
// another without a blank ("     -1.00-1234567.89"), the "e" layout of the
// "f" fields from 1E40 on, and the largest doubles, whose short "e" texts
// ("1.80e+308") lie beyond the double range and stand for the largest double.
//
// Decimal texts become the nearest double (std::from_chars). Some values do
// not survive a round trip as values, only as bytes: a duration of 0.001 is
// written "0.00" and reads back as 0.0.
//
// A refused file gives TErrc::DamagedFile, with the line and the column
// (1-based, in bytes) where the reading stopped, and one message in Portuguese
// that names them:
//   "Linha 7, coluna 21: esperado um número real."
//   "Linha 2, coluna 1: o número de intervalos deve ser pelo menos 1."
//   "Linha 12, coluna 31: os valores de x0 devem ser todos iguais (esperado \"      1.00\")."
// A message with a line and a column names only those: the file is in the
// failure's `file` (ReadCaseFile), for the window or tool to name it.
//
// The reader never allocates more than the file justifies: N intervals need
// at least kMinBytesPerInterval bytes of file, and a claim beyond the file's
// size is refused before anything is allocated. No line is ever held whole:
// a line is refused as soon as it is longer than the writer could have
// written it for the N read so far (the title: kMaxTitleCharacters), and
// the interval lines are read through a window of the file, so reading
// takes the arrays and about 1 MiB, whatever the file holds.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "case/CaseData.h"
#include "case/Status.h"

// Called now and then while reading (at most about every MiB); returns false
// to cancel. A cancelled read fails with TErrc::Cancelled (message
// kReadCancelled) and keeps nothing.
using TReadProgress = std::function<bool(std::uint64_t done_bytes, std::uint64_t total_bytes)>;

inline constexpr const char* kReadCancelled = "Leitura cancelada.";

// Each interval stands for 27 numbers of at least 10 bytes: its duration, its
// load and 25 values of the five vector blocks.
inline constexpr std::uint64_t kMinBytesPerInterval = 270;

// Why a file to be read could not be opened (an errno value), as the
// messages above say it: "o arquivo não existe", "o caminho é uma pasta".
std::string OpenErrorText(int error);

// Parses a whole case file. On success fills *data (N, arrays, scalars,
// parameters) and *title_utf8 (Windows-1252 converted to UTF-8). On failure
// leaves *data and *title_utf8 untouched. Running out of memory gives
// TErrc::NoMemory.
TStatus ParseCaseFile(std::string_view bytes, TCaseData* data, std::string* title_utf8,
                      const TReadProgress& progress = {});

// The same for a file on disk, read in pieces (the whole file is never held
// in memory). The path is resolved as a save resolves it (FileSystem.h:
// another user's link in a shared folder is refused, TErrc::FileUnsafe).
// Failing to open or read the file gives TErrc::FileOpen or TErrc::FileRead
// with "Não foi possível abrir o arquivo \"<path>\": <reason>." and the like,
// and running out of memory names the file too; every failure's `file` is
// the path.
// The failure as a window shows it: a place in the file (line and column)
// follows the file's name, which the reader's own message leaves out.
//   "Não foi possível abrir o arquivo \"/home/ana/caso1.dad\":\nLinha 7, coluna 21: esperado um número real."
std::string FailureNamingFile(const TError& error);

TStatus ReadCaseFile(const std::string& path, TCaseData* data, std::string* title_utf8,
                     const TReadProgress& progress = {});

// Tests: how many bytes the reader takes in at once (0: its own 1 MiB), so
// that lines fall across the pieces anywhere.
void SetReadPieceForTesting(std::size_t bytes);
