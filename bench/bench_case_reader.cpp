// Reading the case file for N = 1,000,000 intervals (about 276 MB) back:
//   (r) ReadCaseFile, the whole parse and check into a TCaseData;
//   (a) the same bytes read with std::fread alone (1 MiB pieces);
//   (f) std::from_chars over every number of the file, from memory;
//   (b) a plain std::strtod loop over the same numbers, from memory.
// The file is written first and read once, so every route reads it from the
// page cache. After the benchmarks it prints the ratios r/b (target <= 1/3)
// and r/(a+f) (target <= 2), and the peak memory of a read in a child.
//
// Usage: bench_case_reader [--intervals=N] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchCase.h"
#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"

namespace {

namespace fs = std::filesystem;

int32_t g_intervals = 1'000'000;
std::string g_path;
std::string g_bytes;        // the file, for the in-memory number loops
uint64_t g_numbers = 0;     // numbers in the file (title excluded)
std::map<std::string, double> g_seconds;

void Time(benchmark::State& state, const char* key, const std::function<void()>& body) {
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  g_seconds[key] = total / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(g_bytes.size()));
}

void BM_Reader(benchmark::State& state) {
  Time(state, "r", [] {
    TCaseData d;
    std::string title;
    const TStatus read = ReadCaseFile(g_path, &d, &title);
    if (!read || d.N != g_intervals) {
      std::fprintf(stderr, "reader: %s\n", read ? "wrong count" : read.Error().message.c_str());
      std::abort();
    }
    benchmark::DoNotOptimize(d.loads[static_cast<std::size_t>(d.N) - 1]);
  });
}

void BM_Fread(benchmark::State& state) {
  std::vector<char> piece(std::size_t{1} << 20);
  Time(state, "a", [&] {
    FILE* f = std::fopen(g_path.c_str(), "rb");
    if (f == nullptr) std::abort();
    std::size_t total = 0;
    for (std::size_t n; (n = std::fread(piece.data(), 1, piece.size(), f)) > 0;) total += n;
    std::fclose(f);
    if (total != g_bytes.size()) std::abort();
    benchmark::DoNotOptimize(piece[0]);
  });
}

// Where the numbers start: after the title line.
const char* Numbers() { return g_bytes.data() + g_bytes.find('\n') + 1; }

uint64_t FromCharsLoop() {
  const char* p = Numbers();
  const char* end = g_bytes.data() + g_bytes.size();
  uint64_t count = 0;
  double sum = 0;
  while (p < end) {
    while (p < end && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
    if (p == end) break;
    double v;
    const std::from_chars_result r = std::from_chars(p, end, v);
    if (r.ec != std::errc()) std::abort();
    sum += v;
    p = r.ptr;
    ++count;
  }
  benchmark::DoNotOptimize(sum);
  return count;
}

uint64_t StrtodLoop() {
  const char* p = Numbers();
  uint64_t count = 0;
  double sum = 0;
  for (;;) {
    char* next = nullptr;
    const double v = std::strtod(p, &next);
    if (next == p) break;
    sum += v;
    p = next;
    ++count;
  }
  benchmark::DoNotOptimize(sum);
  return count;
}

void BM_FromChars(benchmark::State& state) {
  Time(state, "f", [] {
    if (FromCharsLoop() != g_numbers) std::abort();
  });
}

void BM_Strtod(benchmark::State& state) {
  Time(state, "b", [] {
    if (StrtodLoop() != g_numbers) std::abort();
  });
}

// Peak resident memory of one read, in a fresh child: what the read added
// beyond the record's two arrays.
void ReportMemory() {
  const std::vector<long> values = bench::PeakMarksInChild(2, [](std::vector<long>& marks) {
    marks.push_back(bench::PeakKiB());
    TCaseData d;
    std::string title;
    marks.push_back(ReadCaseFile(g_path, &d, &title) ? bench::PeakKiB() : -1);
  });
  if (values.empty()) {
    std::printf("memory: measurement failed\n");
    return;
  }
  const double arrays = 2.0 * 8.0 * g_intervals / (1024.0 * 1024.0);
  const double added = (values[1] - values[0]) / 1024.0;
  std::printf("memory (VmHWM of a child reading %d intervals): the read added %.1f MiB, of which %.1f MiB "
              "are the two arrays; the reader's own %.1f MiB (the file is %.1f MiB)\n",
              g_intervals, added, arrays, added - arrays, g_bytes.size() / (1024.0 * 1024.0));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  std::string folder;
  if (!bench::StartUp(argc, argv, "zk_bench_case_reader", &g_intervals, &rest, &folder)) return 1;
  int rest_argc = static_cast<int>(rest.size());
  const fs::path dir = folder;
  {
    TCaseData d;
    bench::FillCase(d, g_intervals);
    g_bytes = FormatCaseFileToString(d, "Benchmark");
  }
  g_path = (dir / "leitura.dad").string();
  {
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (f == nullptr || std::fwrite(g_bytes.data(), 1, g_bytes.size(), f) != g_bytes.size() ||
        std::fclose(f) != 0) {
      std::perror("write");
      return 1;
    }
  }
  // N, the durations, the loads, 2 + 3 + 1 + 5 + 5 + 5 scalars, the blocks
  // (25 N + 1 values), 8 + 1 parameters.
  g_numbers = 1 + 2 * static_cast<uint64_t>(g_intervals) + 21 + 25 * static_cast<uint64_t>(g_intervals) + 1 + 9;
  if (FromCharsLoop() != g_numbers || StrtodLoop() != g_numbers) {
    std::fprintf(stderr, "the number loops do not see %llu numbers\n", static_cast<unsigned long long>(g_numbers));
    return 1;
  }
  std::printf("case file: %d intervals, %zu bytes, %llu numbers, in %s\n", g_intervals, g_bytes.size(),
              static_cast<unsigned long long>(g_numbers), dir.c_str());
  ReportMemory();

  struct {
    const char* name;
    void (*run)(benchmark::State&);
  } const routes[] = {{"CaseRead/r_reader", BM_Reader},
                      {"CaseRead/a_fread", BM_Fread},
                      {"CaseRead/f_from_chars", BM_FromChars},
                      {"CaseRead/b_strtod", BM_Strtod}};
  for (const auto& route : routes) {
    benchmark::RegisterBenchmark(route.name, route.run)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::Initialize(&rest_argc, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  auto seconds = [](const char* key) { return g_seconds.count(key) ? g_seconds[key] : -1.0; };
  const double r = seconds("r");
  const double b = seconds("b");
  const double af = seconds("a") + seconds("f");
  if (r > 0 && b > 0 && af > 0) {
    std::printf("ratio r/b (reader / strtod loop): %.3f  (target <= 0.333: %s)\n", r / b,
                r / b <= 1.0 / 3 ? "met" : "not met");
    std::printf("ratio r/(a+f) (reader / fread + from_chars): %.3f  (target <= 2: %s)\n", r / af,
                r / af <= 2.0 ? "met" : "not met");
    std::printf("ratio r/a (reader / fread alone): %.3f\n", r / seconds("a"));
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
