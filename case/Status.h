#pragma once
// How the case core reports failure: every operation that can fail returns a
// TResult<T> (or TStatus, a TResult<void>). A failure is a TError: a code for
// programs and tests, and the message for people, in Portuguese, ready to be
// shown as it stands. Nothing in the core throws for an expected failure;
// running out of memory is reported as TErrc::NoMemory where the core can see
// it coming (a size it is asked to allocate).
//
//   TResult<double> r = ParseReal("1,5", ',');
//   if (!r) Show(r.Error().message);        // "'1.5' is not a valid floating point value"
//   double v = *r;
//
//   TStatus s = WriteSomething();
//   if (s.Code() == TErrc::Cancelled) return;

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

enum class TErrc : int {
  Ok = 0,
  InvalidInteger,  // a text that is not an integer
  InvalidReal,     // a text that is not a real number
  OutOfRange,      // a number, count or size beyond what it may be
  MissingValues,   // intervals without a duration or a load (GRAVAR refuses)
  InvalidTitle,    // a title the case file cannot hold
  InvalidName,     // a file name that cannot be used
  FileOpen,        // a file that cannot be opened or created
  FileRead,        // a read that failed
  FileWrite,       // a write, sync or replace that failed
  FileUnsafe,      // a file that may not be written for safety (e.g. another user's link)
  DamagedFile,     // a case file that is not what the writer writes
  InvalidTable,    // an interval table text that is refused
  NoMemory,        // not enough memory for what was asked
  Cancelled,       // stopped by the user
  AmbiguousTable,  // a table whose numbers read two ways until the decimal mark is given
  // New codes go above this line, and Last names the last of them.
  Last = AmbiguousTable,
};

// The code's stable name, for programs: "invalid-real", "damaged-file", ...
std::string_view ErrcName(TErrc code);

struct TError {
  TErrc code = TErrc::Ok;
  // The whole message. Where one failure has several messages that a window
  // shows one by one (GRAVAR's box per missing value), `details` holds them
  // in order and `message` is them joined by "\n".
  std::string message;
  std::vector<std::string> details;
  // Where the failure was found, where there is such a place: the file (as
  // the file system names it, bytes), and the 1-based line and column
  // (0 where there is none).
  std::string file;
  std::uint64_t line = 0;
  std::uint64_t column = 0;
};

inline TError MakeError(TErrc code, std::string message) {
  TError error;
  error.code = code;
  error.message = std::move(message);
  return error;
}

// A value or the failure that prevented it.
template <class T>
class [[nodiscard]] TResult {
public:
  TResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  TResult(TError error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool Ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return Ok(); }

  // Only when Ok().
  T& Value() & { return std::get<0>(state_); }
  const T& Value() const& { return std::get<0>(state_); }
  T&& Value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

  // Only when !Ok().
  const TError& Error() const& { return std::get<1>(state_); }
  TError&& Error() && { return std::get<1>(std::move(state_)); }

  TErrc Code() const noexcept { return Ok() ? TErrc::Ok : std::get<1>(state_).code; }

private:
  std::variant<T, TError> state_;
};

// Success or the failure.
template <>
class [[nodiscard]] TResult<void> {
public:
  TResult() = default;
  TResult(TError error) : error_(std::move(error)), failed_(true) {}  // NOLINT: implicit by design

  bool Ok() const noexcept { return !failed_; }
  explicit operator bool() const noexcept { return Ok(); }
  const TError& Error() const& { return error_; }
  TError&& Error() && { return std::move(error_); }
  TErrc Code() const noexcept { return failed_ ? error_.code : TErrc::Ok; }

private:
  TError error_;
  bool failed_ = false;
};

using TStatus = TResult<void>;
