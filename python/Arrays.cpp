#include "python/Arrays.h"

#include <utility>

namespace zormek {

struct TArrayKeeper {
  TCase* owner;            // the case whose array the views show, until retired
  TArrayKind kind;
  py::object case_object;  // holds that case alive meanwhile
  TIntervalArray retired;  // the storage, once the case has new arrays

  ~TArrayKeeper() {
    if (owner != nullptr) ForgetKeeper(*owner, kind);
  }
};

namespace {

TIntervalArray& ArrayOf(TCaseData& data, TArrayKind kind) { return kind == kDurations ? data.durations : data.loads; }

// Hands the current storage of both arrays to the keepers of live views.
void RetireArrays(TCase& owner) {
  for (TArrayKind kind : {kDurations, kLoads}) {
    TArrayKeeper* keeper = owner.keepers[kind];
    if (keeper == nullptr) continue;
    keeper->retired = std::move(ArrayOf(owner.data, kind));
    keeper->owner = nullptr;
    ForgetKeeper(owner, kind);
    keeper->case_object = py::object();  // the views no longer need the case
  }
}

}  // namespace

void ForgetKeeper(TCase& owner, TArrayKind kind) {
  owner.keepers[kind] = nullptr;
  owner.keeper_capsules[kind] = nullptr;
}

py::array ArrayView(TCase& owner, py::handle self, TArrayKind kind) {
  py::capsule keeper;
  if (owner.keepers[kind] != nullptr) {
    keeper = py::reinterpret_borrow<py::capsule>(owner.keeper_capsules[kind]);
  } else {
    auto* made = new TArrayKeeper{&owner, kind, py::reinterpret_borrow<py::object>(self), {}};
    keeper = py::capsule(made, [](void* p) { delete static_cast<TArrayKeeper*>(p); });
    owner.keepers[kind] = made;
    owner.keeper_capsules[kind] = keeper.ptr();
  }
  const auto n = static_cast<py::ssize_t>(ArrayOf(owner.data, kind).size());
  return py::array_t<double>({n}, {static_cast<py::ssize_t>(sizeof(double))}, Storage(owner, kind), keeper);
}

double* Storage(TCase& owner, TArrayKind kind) { return ArrayOf(owner.data, kind).data(); }

void ReplaceArrays(TCase& owner, TIntervalArray durations, TIntervalArray loads, int32_t n) {
  RetireArrays(owner);
  owner.data.durations = std::move(durations);
  owner.data.loads = std::move(loads);
  owner.data.N = n;
}

TCaseData DeepCopy(const TCaseData& data) {
  // Every field copied, then storage of its own for each array (the first
  // writable access to a shared array copies it): views of the original
  // must never write into the copy.
  TCaseData copy = data;
  (void)copy.durations.data();
  (void)copy.loads.data();
  return copy;
}

}  // namespace zormek
