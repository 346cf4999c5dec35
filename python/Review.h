#pragma once
// zormek.check, zormek.diff, zormek.Finding and zormek.Difference.

#include <pybind11/pybind11.h>

namespace zormek {

namespace py = pybind11;

void DeclareReview(py::module_& module);

}  // namespace zormek
