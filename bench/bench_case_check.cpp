// Checking the case for N = 1,000,000 intervals against reading it:
//   (r) ReadCaseFile of the file (about 276 MB, from the page cache);
//   (c) CheckCase of the record read, a case with nothing to find;
//   (m) CheckCase of the same table with every load missing: a million
//       errors, each listed with its message;
//   (d) DiffCases of the record against a copy that differs in every load;
//   (t) "zormek-case check" of the file, the tool's whole path in process
//       (reading, checking, its output to a string);
//   (s) "zormek-case show" of the same file, the tool reading and printing;
//   (j) "zormek-case check --json" of the file with every load missing: a
//       million findings written as JSON.
// A check from the command line reads and then checks, so the target is on
// (r + c) / r <= 1.5 and, for the tool itself, t / r <= 1.5; the others are
// printed beside them.
//
// Usage: bench_case_check [--intervals=N] [google benchmark flags]

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchCase.h"
#include "case/CaseCheck.h"
#include "case/CaseData.h"
#include "case/CaseDiff.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "cli/Command.h"

namespace {

namespace fs = std::filesystem;

int32_t g_intervals = 1'000'000;
std::string g_path;
std::string g_missing_path;
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

// The tool in process: its exit status and the size of what it printed.
std::pair<int, std::size_t> Tool(std::vector<const char*> argv) {
  std::istringstream in;
  std::ostringstream out, err;
  TCommandIo io{in, out, err};
  const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), io);
  return {status, out.str().size()};
}

void BM_ToolCheck(benchmark::State& state) {
  Time(state, "t", [] {
    if (Tool({"zormek-case", "check", g_path.c_str()}).first != kExitDone) std::abort();
  });
}

void BM_ToolShow(benchmark::State& state) {
  Time(state, "s", [] {
    if (Tool({"zormek-case", "show", g_path.c_str()}).first != kExitDone) std::abort();
  });
}

void BM_ToolCheckJson(benchmark::State& state) {
  Time(state, "j", [] {
    const auto [status, printed] = Tool({"zormek-case", "check", "--json", g_missing_path.c_str()});
    if (status != kExitRefused || printed < static_cast<std::size_t>(g_intervals) * 100) std::abort();
  });
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
  // Whole copies: the loops below give each its own arrays.
  g_missing = g_read;
  g_changed = g_read;
  for (int32_t k = 1; k <= g_intervals; ++k) {
    g_missing.loads[static_cast<std::size_t>(k) - 1] = 0.0;
    g_changed.loads[static_cast<std::size_t>(k) - 1] = std::as_const(g_read).loads[static_cast<std::size_t>(k) - 1] + 1.0;
  }
  {
    // The writer of the file itself does not refuse the missing loads GRAVAR refuses.
    const std::string file = FormatCaseFileToString(g_missing, "Benchmark");
    g_missing_path = (dir / "sem_cargas.dad").string();
    FILE* f = std::fopen(g_missing_path.c_str(), "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
      std::perror("write");
      return 1;
    }
  }
  std::printf("case file: %d intervals, %zu bytes, in %s\n", g_intervals, bytes, dir.c_str());

  struct {
    const char* name;
    void (*run)(benchmark::State&);
  } const routes[] = {{"CaseCheck/r_read", BM_Read},
                      {"CaseCheck/c_check", BM_Check},
                      {"CaseCheck/m_check_all_missing", BM_CheckMissing},
                      {"CaseCheck/d_diff_every_load", BM_Diff},
                      {"CaseCheck/t_tool_check", BM_ToolCheck},
                      {"CaseCheck/s_tool_show", BM_ToolShow},
                      {"CaseCheck/j_tool_check_json_all_missing", BM_ToolCheckJson}};
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
  const double t = seconds("t");
  std::printf("ratio t/r (zormek-case check / read): %.3f  (target <= 1.5: %s)\n", r > 0 && t > 0 ? t / r : -1.0,
              bench::Verdict(r > 0 && t > 0 ? t / r : -1.0, t / r <= 1.5));
  if (t > 0 && seconds("s") > 0)
    std::printf("ratio t/s (zormek-case check / zormek-case show): %.3f\n", t / seconds("s"));
  if (r > 0 && seconds("j") > 0)
    std::printf("ratio j/r (zormek-case check --json listing %d missing loads / read): %.3f\n", g_intervals,
                seconds("j") / r);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
