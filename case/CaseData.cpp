#include "case/CaseData.h"

#include <cstring>
#include <new>

struct TIntervalArray::Buffer {
  explicit Buffer(double* v) : values(v) {}
  ~Buffer() { std::free(values); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  double* values;
};

TIntervalArray TIntervalArray::Zeros(std::size_t n) {
  TIntervalArray a;
  if (n == 0) return a;
  void* p = std::calloc(n, sizeof(double));  // calloc checks n * 8 for overflow
  if (p == nullptr) return a;
  try {
    a.buffer_ = std::make_shared<Buffer>(static_cast<double*>(p));
  } catch (const std::bad_alloc&) {
    std::free(p);
    return a;
  }
  a.values_ = static_cast<double*>(p);
  a.size_ = n;
  return a;
}

void TIntervalArray::DetachSlow() {
  auto* p = static_cast<double*>(std::malloc(size_ * sizeof(double)));
  if (p == nullptr) throw std::bad_alloc();
  std::memcpy(p, values_, size_ * sizeof(double));
  std::shared_ptr<Buffer> own;
  try {
    own = std::make_shared<Buffer>(p);
  } catch (...) {
    std::free(p);
    throw;
  }
  buffer_ = std::move(own);
  values_ = p;
}

bool TCaseData::Create(int32_t n) {
  TCaseData fresh;
  if (!fresh.Redimension(n)) return false;
  *this = std::move(fresh);
  return true;
}

bool TCaseData::Redimension(int32_t n) {
  if (n < 1) return false;
  TIntervalArray d = TIntervalArray::Zeros(static_cast<std::size_t>(n));
  if (d.size() == 0) return false;
  TIntervalArray l = TIntervalArray::Zeros(static_cast<std::size_t>(n));
  if (l.size() == 0) return false;
  durations = std::move(d);
  loads = std::move(l);
  N = n;
  return true;
}

static bool InTable(int32_t k, const TIntervalArray& a) {
  return k >= 1 && static_cast<std::size_t>(k) <= a.size();
}

bool TCaseData::SetDuration(int32_t k, double value) {
  if (!InTable(k, durations) || k > N) return false;
  durations[static_cast<std::size_t>(k) - 1] = value;
  return true;
}

bool TCaseData::SetLoad(int32_t k, double value) {
  if (!InTable(k, loads) || k > N) return false;
  loads[static_cast<std::size_t>(k) - 1] = value;
  return true;
}
