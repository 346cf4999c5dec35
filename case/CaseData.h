#pragma once
// The case being prepared: interval table, scalar plant, loss and base-power
// data, and the solver's algorithm parameters. One record per run; the entry
// handlers write it, the case-file writer reads it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "case/Status.h"

struct TAlgorithmParameters {
  // Declaration order is the order in which the case file writes them.
  int32_t nu = 40;
  int32_t nd = 30;
  int32_t klim = 10;
  double Epsext = 0.0001;
  double Rhoext = 0.995;
  double xnl = 0.0;
  double x0 = 1.0;
  double xlowbd = -1.0;
  double y0 = 0.0;
  double z0 = 1.0;
  double Rho = 0.95;
  double Epsln = 0.0001;
  int32_t Maxit = 30;
  double Bigm = 100000000.0;
  double Sigma = 0.01;
  double Epslnp = 0.00001;
  double Epslmek = 1e-20;
  double Mu0 = 5.0;
  int32_t iprint = 0;

  // Puts every parameter back to its default.
  void SetDefaults() { *this = TAlgorithmParameters{}; }
};

// A zero-filled array of doubles. Allocated with calloc, so a large table of
// zeros costs address space, not touched memory, until values are stored.
//
// Copies share the values (copy on write): a copy costs a reference, and the
// first non-const access (data(), operator[]) of a shared array makes it an
// array of its own before handing anything out, so no write through one copy
// is ever seen by another. The memo keeps a copy of an opened or pasted table
// in this way, and shows it as it was however the record changes later. A
// pointer or reference obtained from a non-const access stays valid until
// the array is assigned or destroyed, but it is private to this array only
// until the array is next copied: the copy shares the values again, and a
// write through the old pointer would show in both (take it anew after
// copying).
//
//   TIntervalArray a = TIntervalArray::Zeros(3);
//   TIntervalArray b = a;   // shares a's three zeros
//   b[0] = 1.5;             // b gets its own values: a[0] is still 0.0
//
// An array that must be made its own and cannot get the memory throws
// std::bad_alloc from the non-const access.
class TIntervalArray {
public:
  TIntervalArray() = default;
  // Empty on allocation failure (check with size()).
  static TIntervalArray Zeros(std::size_t n);

  TIntervalArray(const TIntervalArray&) = default;
  TIntervalArray& operator=(const TIntervalArray&) = default;
  // The array moved from is left empty.
  TIntervalArray(TIntervalArray&& other) noexcept
      : buffer_(std::move(other.buffer_)),
        values_(std::exchange(other.values_, nullptr)),
        size_(std::exchange(other.size_, 0)) {}
  TIntervalArray& operator=(TIntervalArray&& other) noexcept {
    if (this != &other) {
      buffer_ = std::move(other.buffer_);
      values_ = std::exchange(other.values_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }

  std::size_t size() const { return size_; }
  double* data() {
    Detach();
    return values_;
  }
  const double* data() const { return values_; }
  double& operator[](std::size_t i) {
    Detach();
    return values_[i];
  }
  double operator[](std::size_t i) const { return values_[i]; }

  // Whether another array holds the same values now.
  bool Shared() const { return buffer_ && buffer_.use_count() > 1; }

private:
  struct Buffer;
  void Detach() {
    if (Shared()) DetachSlow();
  }
  void DetachSlow();
  std::shared_ptr<Buffer> buffer_;
  double* values_ = nullptr;  // the buffer's values, nullptr when empty
  std::size_t size_ = 0;
};

struct TCaseData {
  double base = 0.0;
  TIntervalArray durations;
  TIntervalArray loads;

  int32_t N = 1;
  double c0 = 0.0;
  double c = 0.0;
  double q = 0.0;
  double a0 = 0.0;
  double a1 = 0.0;
  double Ptmin = 0.0;
  double Ptmax = 0.0;
  double Vtot = 0.0;
  double Phmin = 0.0;
  double Phmax = 0.0;
  double Zeta0 = 0.0;
  double Zetat = 0.0;
  double Zetah = 0.0;
  double Gammat = 0.0;
  double Gammah = 0.0;

  TAlgorithmParameters alg;

  // Every scalar 0.0, N intervals of zeros, algorithm defaults: Create(1)
  // is the record of a fresh main window. Fails (record unchanged) as
  // Redimension does.
  TStatus Create(int32_t n);

  // Discards both arrays and makes new ones of n zeros. Fails and leaves
  // the record exactly as it was when n < 1 (TErrc::OutOfRange, "O número
  // de intervalos deve ser pelo menos 1.") or the arrays cannot be had
  // (TErrc::NoMemory), so the table always holds N >= 1 elements.
  TStatus Redimension(int32_t n);

  // Interval k is numbered 1..N as the user sees it. Fails with
  // TErrc::OutOfRange, storing nothing, when k is outside 1..N.
  TStatus SetDuration(int32_t k, double value);
  TStatus SetLoad(int32_t k, double value);
};
