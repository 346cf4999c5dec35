#include "case/CaseData.h"

#include <cstring>
#include <new>
#include <string>

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

TStatus TCaseData::Create(int32_t n) {
  TCaseData fresh;
  if (TStatus made = fresh.Redimension(n); !made) return made;
  *this = std::move(fresh);
  return {};
}

TStatus TCaseData::Redimension(int32_t n) {
  if (n < 1) return MakeError(TErrc::OutOfRange, "O número de intervalos deve ser pelo menos 1.");
  auto no_memory = [n] {
    return MakeError(TErrc::NoMemory, "Não há memória para uma tabela de " + std::to_string(n) + " intervalos.");
  };
  TIntervalArray d = TIntervalArray::Zeros(static_cast<std::size_t>(n));
  if (d.size() == 0) return no_memory();
  TIntervalArray l = TIntervalArray::Zeros(static_cast<std::size_t>(n));
  if (l.size() == 0) return no_memory();
  durations = std::move(d);
  loads = std::move(l);
  N = n;
  return {};
}

static TStatus StoreInterval(TIntervalArray& values, int32_t n, int32_t k, double value) {
  if (k < 1 || k > n || static_cast<std::size_t>(k) > values.size()) {
    return MakeError(TErrc::OutOfRange, "Não há intervalo " + std::to_string(k) + ": a tabela tem " +
                                            std::to_string(n) + (n == 1 ? " intervalo." : " intervalos."));
  }
  values[static_cast<std::size_t>(k) - 1] = value;
  return {};
}

TStatus TCaseData::SetDuration(int32_t k, double value) { return StoreInterval(durations, N, k, value); }

TStatus TCaseData::SetLoad(int32_t k, double value) { return StoreInterval(loads, N, k, value); }
