#pragma once
// The verbs of zormek-case. Each verb is one class in a file of its own
// (Show.cpp, Table.cpp, New.cpp, Set.cpp, Check.cpp, Diff.cpp); Commands() lists them, and the
// dispatcher (RunCommandLine) declares their arguments on CLI11
// subcommands, parses, and runs the chosen one.
//
// A new verb: a class deriving from TCommand in its own file, its factory
// declared below and listed in Commands().

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"
#include "case/Status.h"

namespace CLI {
class App;
}

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;  // the case, a table or a file was refused
inline constexpr int kExitUsage = 2;    // the command line is wrong
// check and diff: 1 is their answer (errors found, cases that differ), so a
// file they could not read is told apart from it.
inline constexpr int kExitUnreadable = 2;

inline constexpr std::string_view kToolName = "zormek-case";

// Where a verb reads and writes: the process's streams, or strings in tests.
struct TCommandIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// A wrong command line: the message (Portuguese, without the tool's name)
// and the verb whose help it points to ("" for the tool's).
struct TUsageError {
  std::string message;
};

class TCommand {
public:
  virtual ~TCommand() = default;
  virtual std::string_view Name() const = 0;
  // One line for the tool's --help.
  virtual std::string_view Summary() const = 0;
  // The exit statuses for the verb's --help; empty: the tool's own.
  virtual std::string_view Statuses() const { return {}; }
  // Declares the verb's arguments and options (their values land in the
  // command's own members).
  virtual void Declare(CLI::App& verb) = 0;
  // Runs the verb after a successful parse and returns the exit status.
  // A wrong combination of arguments is thrown as TUsageError.
  virtual int Run(TCommandIo& io) = 0;
};

std::unique_ptr<TCommand> MakeShowCommand();
std::unique_ptr<TCommand> MakeTableCommand();
std::unique_ptr<TCommand> MakeNewCommand();
std::unique_ptr<TCommand> MakeSetCommand();
std::unique_ptr<TCommand> MakeCheckCommand();
std::unique_ptr<TCommand> MakeDiffCommand();

// Every verb, in the order --help lists them.
std::vector<std::unique_ptr<TCommand>> Commands();

// The whole tool: parses argv, runs the verb, returns the exit status.
int RunCommandLine(int argc, const char* const* argv, TCommandIo& io);

// Writes a refusal to io.err, one line per message: "zormek-case: " and,
// for a failure at a place in a file, "<file>: " before the message
// (the reader's messages name the line and the column themselves). For
// intervals without a duration or a load, `data` (when given) names each
// interval: "zormek-case: intervalo 2: Intervalo não informado!".
int Refuse(TCommandIo& io, const TError& error, const TCaseData* data = nullptr);
