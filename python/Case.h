#pragma once
// zormek.Case: one case record and its title, as Python sees it.

#include <pybind11/pybind11.h>

#include <string>

#include "case/CaseData.h"
#include "case/Status.h"

namespace zormek {

namespace py = pybind11;

struct TArrayKeeper;

struct TCase {
  TCaseData data;
  std::string title;  // UTF-8
  // The keepers of the numpy views handed out, per array (0: durations,
  // 1: loads), with their capsules (borrowed: a keeper clears these when
  // the last view of it goes). See Arrays.h.
  TArrayKeeper* keepers[2] = {nullptr, nullptr};
  PyObject* keeper_capsules[2] = {nullptr, nullptr};

  TCase() = default;
  TCase(const TCase&) = delete;
  TCase& operator=(const TCase&) = delete;
  ~TCase();
};

// Raises zormek.CaseError for a failure of the core.
[[noreturn]] void RaiseCaseError(const TError& error);

// Raises CaseError unless the status is a success.
inline void Check(const TStatus& status) {
  if (!status) RaiseCaseError(status.Error());
}

// A text of the core (UTF-8) as a str; bytes that are not UTF-8 stay
// visible as backslash escapes.
py::object Text(const std::string& utf8);

// A path argument: str, bytes or os.PathLike, as the file system names it.
std::string PathArgument(const py::object& path);

// Declares zormek.Case and zormek.read on the module.
void DeclareCase(py::module_& module);

}  // namespace zormek
