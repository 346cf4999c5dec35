// For any record the case file has exactly its line count, every line ends in
// CR LF, and no CR or LF stands anywhere else.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "fuzz/fuzz_check.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  template <class T>
  T Take() {
    T v{};
    if (n >= sizeof v) {
      std::memcpy(&v, p, sizeof v);
      p += sizeof v;
      n -= sizeof v;
    }
    return v;
  }
};

uint64_t Lines(uint64_t values) { return (values + 7) / 8; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  TCaseData d;
  const int32_t n = 1 + static_cast<int32_t>(in.Take<uint8_t>() % 40);
  if (!d.Create(n)) return 0;
  for (int32_t k = 1; k <= n; ++k) {
    (void)d.SetDuration(k, in.Take<double>());
    (void)d.SetLoad(k, in.Take<double>());
  }
  for (double* v : {&d.base, &d.c0, &d.c, &d.q, &d.a0, &d.a1, &d.Ptmin, &d.Ptmax, &d.Vtot, &d.Phmin, &d.Phmax,
                    &d.Zeta0, &d.Zetat, &d.Zetah, &d.Gammat, &d.Gammah, &d.alg.Epsext, &d.alg.Rhoext, &d.alg.xnl,
                    &d.alg.x0, &d.alg.xlowbd, &d.alg.y0, &d.alg.z0, &d.alg.Rho, &d.alg.Epsln, &d.alg.Bigm,
                    &d.alg.Sigma, &d.alg.Epslnp, &d.alg.Epslmek, &d.alg.Mu0}) {
    *v = in.Take<double>();
  }
  for (int32_t* v : {&d.alg.nu, &d.alg.nd, &d.alg.klim, &d.alg.Maxit, &d.alg.iprint}) *v = in.Take<int32_t>();

  const std::string typed(reinterpret_cast<const char*>(in.p), in.n);
  const TResult<std::string> checked = CheckTitle(typed);
  const std::string title_bytes = checked ? *checked : std::string();
  for (const char c : title_bytes) {
    // Nothing that ends the title's line or the text for its reader.
    FUZZ_CHECK(c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != '\0' && c != '\x1a',
               "title byte %d accepted", c);
  }

  const std::string file = FormatCaseFileToString(d, title_bytes);
  const uint64_t un = static_cast<uint64_t>(n);
  const uint64_t expected = 9 + 3 * Lines(6 * un) + Lines(2 * un) + Lines(5 * un + 1) + 2;
  uint64_t lines = 0;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\n') {
      FUZZ_CHECK(i > 0 && file[i - 1] == '\r', "LF without CR at byte %zu", i);
      ++lines;
    } else if (file[i] == '\r') {
      FUZZ_CHECK(i + 1 < file.size() && file[i + 1] == '\n', "CR without LF at byte %zu", i);
    }
  }
  FUZZ_CHECK(!file.empty() && file.back() == '\n', "the last line has no CR LF");
  FUZZ_CHECK(lines == expected, "N=%d: %llu lines, expected %llu", n, static_cast<unsigned long long>(lines),
             static_cast<unsigned long long>(expected));
  return 0;
}
