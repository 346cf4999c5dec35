// The Python module against the C++ core it wraps, for N = 1,000,000
// intervals (a case file of about 276 MB), in one process that embeds
// Python and imports zormek from the build tree:
//   (r) ReadCaseFile alone               vs (p) zormek.read(path) and both arrays taken as numpy arrays;
//   (w) SaveCaseFile alone (safe save)   vs (q) Case.write(path) of the same record.
// Each pair runs in turns, the order swapped every turn, so that a busy
// moment of the machine falls on both; the medians give the ratios p/r and
// q/w (target <= 1.2 each: the arrays reach Python without a copy and the
// write is the core's own).
//
// Usage: bench_python [--intervals=N] [--turns=T]

#include <pybind11/embed.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchCase.h"
#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& body) {
  const auto t0 = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1.0 : v[v.size() / 2];
}

// Runs a and b `turns` times each, alternating which goes first; returns
// the medians.
std::pair<double, double> InTurns(int turns, const std::function<void()>& a, const std::function<void()>& b) {
  std::vector<double> ta, tb;
  for (int i = 0; i < turns; ++i) {
    if (i % 2 == 0) {
      ta.push_back(Seconds(a));
      tb.push_back(Seconds(b));
    } else {
      tb.push_back(Seconds(b));
      ta.push_back(Seconds(a));
    }
  }
  return {Median(ta), Median(tb)};
}

void Report(const char* what, double base, double figure, double target) {
  const double ratio = base > 0 && figure > 0 ? figure / base : -1.0;
  std::printf("%s: %.1f ms vs %.1f ms, ratio %.3f  (target <= %.1f: %s)\n", what, figure * 1e3, base * 1e3, ratio,
              target, bench::Verdict(ratio, ratio <= target));
}

}  // namespace

int main(int argc, char** argv) {
  int32_t intervals = 1'000'000;
  int turns = 7;
  std::vector<char*> rest;
  std::string folder;
  if (!bench::StartUp(argc, argv, "zk_bench_python", &intervals, &rest, &folder)) return 1;
  for (char* arg : rest)
    if (std::strncmp(arg, "--turns=", 8) == 0) turns = std::max(1, std::atoi(arg + 8));
  const fs::path dir = folder;
  const std::string source = (dir / "caso.dad").string();
  const std::string cpp_target = (dir / "cpp.dad").string();
  const std::string py_target = (dir / "python.dad").string();

  TCaseData data;
  bench::FillCase(data, intervals);
  if (TStatus saved = SaveCaseFile(data, "Benchmark", source); !saved) {
    std::fprintf(stderr, "%s\n", saved.Error().message.c_str());
    return 1;
  }

  py::scoped_interpreter python;
  py::module_::import("sys").attr("path").attr("insert")(0, ZK_PYTHON_MODULE_DIR);
  const py::module_ zormek = py::module_::import("zormek");
  const py::object read = zormek.attr("read");
  const py::object case_object = read(source);
  const py::object write = case_object.attr("write");
  std::printf("case file: %d intervals, %ju bytes, in %s; %d turns each\n", intervals,
              static_cast<uintmax_t>(fs::file_size(source)), dir.c_str(), turns);

  auto [r, p] = InTurns(
      turns,
      [&] {
        TCaseData d;
        std::string title;
        if (!ReadCaseFile(source, &d, &title) || d.N != intervals) std::abort();
      },
      [&] {
        const py::object c = read(source);
        const py::object durations = c.attr("durations");
        const py::object loads = c.attr("loads");
        if (py::len(durations) != static_cast<std::size_t>(intervals) || py::len(loads) != durations.attr("size").cast<std::size_t>()) std::abort();
      });
  auto [w, q] = InTurns(
      turns, [&] { if (!SaveCaseFile(data, "Benchmark", cpp_target)) std::abort(); },
      [&] { write(py_target); });
  if (fs::file_size(cpp_target) != fs::file_size(py_target)) {
    std::fprintf(stderr, "the two writes differ in size\n");
    return 1;
  }
  Report("zormek.read vs ReadCaseFile (arrays as numpy views)", r, p, 1.2);
  Report("Case.write vs SaveCaseFile (safe save, fsync included)", w, q, 1.2);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
