#pragma once
// The interval arrays of a zormek.Case as numpy arrays, without a copy.
//
// A view is a float64 array over the record's own storage. Its base is a
// keeper (a capsule), shared by every view of that array, which holds the
// Case alive while views of its arrays exist. When the Case replaces its
// arrays (set_table), the keepers take the old storage over: views made
// before go on seeing the old values and never point at freed memory; new
// views see the new table. This file is the only place that takes the
// arrays' pointers for numpy (Storage) or replaces the arrays: a record
// here never shares its storage with another (copies are DeepCopy: a plain
// TCaseData copy shares the arrays until one side writes through them, and
// numpy's writes would bypass that), so the pointer a view holds stays the
// record's until the arrays are replaced.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "python/Case.h"

namespace zormek {

enum TArrayKind { kDurations = 0, kLoads = 1 };

// A writable view of one array of the case `self` (a zormek.Case object).
py::array ArrayView(TCase& owner, py::handle self, TArrayKind kind);

// The case's own storage of one array, for writing into it from Python
// (what the views show).
double* Storage(TCase& owner, TArrayKind kind);

// Replaces both arrays (n intervals). The keepers of live views take the
// old storage over first.
void ReplaceArrays(TCase& owner, TIntervalArray durations, TIntervalArray loads, int32_t n);

// A copy of the record whose arrays share nothing with the original's.
TCaseData DeepCopy(const TCaseData& data);

// Called by a keeper's capsule when its last view is gone.
void ForgetKeeper(TCase& owner, TArrayKind kind);

}  // namespace zormek
