// Checking the case for N = 1,000,000 intervals against reading it:
//   (r) ReadCaseFile of the file (about 276 MB, from the page cache);
//   (c) CheckCase of the record read, a case with nothing to find;
//   (m) CheckCase of the same table with every load missing: a million
//       errors, each listed with its message;
//   (d) DiffCases of the record against a copy that differs in every load.
// A check from the command line reads and then checks, so the target is on
// (r + c) / r <= 1.5; the others are printed beside it.
//
// Usage: bench_case_check [--intervals=N] [google benchmark flags]

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchCase.h"
#include "case/CaseCheck.h"
#include "case/CaseData.h"
#include "case/CaseDiff.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"

namespace {

namespace fs = std::filesystem;

int32_t g_intervals = 1'000'000;
std::string g_path;
TCaseData g_read;      // the file as read
TCaseData g_missing;   // the same with every load 0.0
TCaseData g_changed;   // the same with every load 1 MW higher
std::map<std::string, double> g_seconds;

void Time(benchmark::State& state, const char* key, const std::function<void()>& body) {
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  g_seconds[key] = total / static_cast<double>(state.iterations());
}

void BM_Read(benchmark::State& state) {
  Time(state, "r", [] {
    TCaseData d;
    std::string title;
    if (!ReadCaseFile(g_path, &d, &title) || d.N != g_intervals) std::abort();
    benchmark::DoNotOptimize(d.loads[0]);
  });
}

void BM_Check(benchmark::State& state) {
  Time(state, "c", [] {
    const std::vector<TFinding> findings = CheckCase(g_read);
    if (!findings.empty()) std::abort();  // the benchmark case is sound
    benchmark::DoNotOptimize(findings.data());
  });
}

void BM_CheckMissing(benchmark::State& state) {
  Time(state, "m", [] {
    const std::vector<TFinding> findings = CheckCase(g_missing);
    if (findings.size() != static_cast<std::size_t>(g_intervals)) std::abort();
    benchmark::DoNotOptimize(findings.data());
  });
}

void BM_Diff(benchmark::State& state) {
  Time(state, "d", [] {
    const TResult<std::vector<TDifference>> diff = DiffCases(g_read, "", g_changed, "");
    if (!diff || diff->size() != static_cast<std::size_t>(g_intervals)) std::abort();
    benchmark::DoNotOptimize(diff->data());
  });
}

void Copy(const TCaseData& from, TCaseData& to) {
  to = TCaseData{};
  if (!to.Create(from.N)) std::abort();
  for (std::size_t i = 0; i < static_cast<std::size_t>(from.N); ++i) {
    to.durations[i] = from.durations[i];
    to.loads[i] = from.loads[i];
  }
  to.base = from.base;
  to.c0 = from.c0;
  to.c = from.c;
  to.q = from.q;
  to.Ptmax = from.Ptmax;
  to.Phmax = from.Phmax;
  to.Vtot = from.Vtot;
  to.alg = from.alg;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  std::string folder;
  if (!bench::StartUp(argc, argv, "zk_bench_case_check", &g_intervals, &rest, &folder)) return 1;
  int rest_argc = static_cast<int>(rest.size());
  const fs::path dir = folder;
  std::size_t bytes = 0;
  {
    TCaseData d;
    bench::FillCase(d, g_intervals);
    const std::string file = FormatCaseFileToString(d, "Benchmark");
    bytes = file.size();
    g_path = (dir / "verificacao.dad").string();
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
      std::perror("write");
      return 1;
    }
  }
  std::string title;
  if (!ReadCaseFile(g_path, &g_read, &title)) return 1;
  if (!CheckCase(g_read).empty()) {
    std::fprintf(stderr, "the benchmark case is not sound\n");
    return 1;
  }
  Copy(g_read, g_missing);
  Copy(g_read, g_changed);
  for (int32_t k = 1; k <= g_intervals; ++k) {
    g_missing.loads[static_cast<std::size_t>(k) - 1] = 0.0;
    g_changed.loads[static_cast<std::size_t>(k) - 1] = g_read.loads[static_cast<std::size_t>(k) - 1] + 1.0;
  }
  std::printf("case file: %d intervals, %zu bytes, in %s\n", g_intervals, bytes, dir.c_str());

  struct {
    const char* name;
    void (*run)(benchmark::State&);
  } const routes[] = {{"CaseCheck/r_read", BM_Read},
                      {"CaseCheck/c_check", BM_Check},
                      {"CaseCheck/m_check_all_missing", BM_CheckMissing},
                      {"CaseCheck/d_diff_every_load", BM_Diff}};
  for (const auto& route : routes) {
    benchmark::RegisterBenchmark(route.name, route.run)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::Initialize(&rest_argc, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  auto seconds = [](const char* key) { return g_seconds.count(key) ? g_seconds[key] : -1.0; };
  const double r = seconds("r");
  const double c = seconds("c");
  const double ratio = r > 0 && c > 0 ? (r + c) / r : -1.0;
  std::printf("ratio (r+c)/r (read and check / read): %.3f  (target <= 1.5: %s)\n", ratio,
              bench::Verdict(ratio, ratio <= 1.5));
  if (r > 0 && c > 0) std::printf("ratio c/r (check alone / read): %.4f\n", c / r);
  if (r > 0 && seconds("m") > 0)
    std::printf("ratio m/r (check listing %d missing loads / read): %.3f\n", g_intervals, seconds("m") / r);
  if (r > 0 && seconds("d") > 0)
    std::printf("ratio d/r (diff of %d differing loads / read): %.3f\n", g_intervals, seconds("d") / r);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
