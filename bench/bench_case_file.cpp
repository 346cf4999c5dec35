// Writing the case file for N = 1,000,000 intervals (about 280 MB):
//   (a) WriteCaseFile through the real atomic sink, once with the fsync
//       switched off (to compare with the C library routes, which do not
//       sync) and once as shipped, with fsync;
//   (b) a plain fprintf per value into a FILE*;
//   (c) one fwrite of the same number of bytes (and the same plus fsync);
//   (d) the machine's own limit: a write() loop of 1 MiB chunks from one
//       hot buffer, the same number of bytes, into a new file, measured in
//       turns with (a). Nothing that produces these bytes can be faster.
// After the benchmarks it prints the ratios a/b, a/c and a/d, and the peak
// memory of a save measured in a child process.
//
// Usage: bench_case_file [--intervals=N] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
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
#include "case/FileSink.h"

namespace {

namespace fs = std::filesystem;

int32_t g_intervals = 1'000'000;
fs::path g_dir;
TCaseData g_case;
std::map<std::string, double> g_seconds;  // per iteration, last run of each

std::string Target(const char* name) { return (g_dir / name).string(); }

void PlainFprintf(const TCaseData& d, const char* title, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  const TAlgorithmParameters& a = d.alg;
  std::fprintf(f, "%s\r\n", title);
  std::fprintf(f, "%10d", d.N);
  for (int32_t i = 0; i < d.N; ++i) std::fprintf(f, "% 10.2f", d.durations[i]);
  std::fprintf(f, "\r\n");
  for (int32_t i = 0; i < d.N; ++i) std::fprintf(f, "% 10.2f", d.loads[i]);
  std::fprintf(f, "\r\n");
  std::fprintf(f, "%10d%10d\r\n", a.nu, a.nd);
  std::fprintf(f, "%10d% 10.6f% 10.5f\r\n", a.klim, a.Epsext, a.Rhoext);
  std::fprintf(f, "% 10.2f\r\n", d.base);
  std::fprintf(f, "% 10.2e% 10.2e% 10.2e% 10.4f% 10.4f\r\n", d.c0, d.c, d.q, d.Ptmin, d.Ptmax);
  std::fprintf(f, "% 10.2e% 10.2e% 10.4f% 10.4f% 10.2f\r\n", d.a0, d.a1, d.Phmin, d.Phmax, d.Vtot);
  std::fprintf(f, "% 10.2e% 10.2e% 10.2e% 10.2e% 10.2e\r\n", d.Zeta0, d.Zetat, d.Zetah, d.Gammat,
               d.Gammah);
  const int64_t n = d.N;
  const std::pair<double, int64_t> blocks[] = {
      {a.xnl, 6 * n}, {a.x0, 6 * n}, {a.xlowbd, 2 * n}, {a.y0, 5 * n + 1}, {a.z0, 6 * n}};
  for (const auto& [v, count] : blocks) {
    for (int64_t i = 0; i < count; ++i) {
      std::fprintf(f, "% 10.2f", v);
      if (i % 8 == 7 || i == count - 1) std::fprintf(f, "\r\n");
    }
  }
  std::fprintf(f, "% 10.2e% 10.2e%10d% 10.1e% 10.2e% 10.2e% 10.2e% 10.2e\r\n", a.Rho, a.Epsln,
               a.Maxit, a.Bigm, a.Sigma, a.Epslnp, a.Epslmek, a.Mu0);
  std::fprintf(f, "%10d\r\n", a.iprint);
  if (std::fclose(f) != 0) std::abort();
}

std::string g_bytes;  // the file's bytes, for the fwrite baseline

void Time(benchmark::State& state, const char* key, const std::function<void()>& body,
          const char* file) {
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(Target(file).c_str());
    // Every run starts with no dirty pages: otherwise a route pays for the
    // writeback of the one before it, and the order decides the ratios.
    ::sync();
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  g_seconds[key] = total / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(g_bytes.size()));
}

int NoSync(int) { return 0; }

void BM_Writer_NoFsync(benchmark::State& state) {
  FileSystemCalls().fsync = NoSync;
  const std::string base = "writer";
  Time(state, "a", [&] {
    if (!WriteCaseFile(g_case, "Benchmark", base)) std::abort();
  }, "writer.dad");
  FileSystemCalls() = RealFileSystemCalls();
}

void BM_Writer_WithFsync(benchmark::State& state) {
  const std::string base = "writer_sync";
  Time(state, "a_sync", [&] {
    if (!WriteCaseFile(g_case, "Benchmark", base)) std::abort();
  }, "writer_sync.dad");
}

void BM_Fprintf(benchmark::State& state) {
  const std::string path = Target("fprintf.dad");
  Time(state, "b", [&] { PlainFprintf(g_case, "Benchmark", path); }, "fprintf.dad");
}

void OneFwrite(const std::string& path, bool sync) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (std::fwrite(g_bytes.data(), 1, g_bytes.size(), f) != g_bytes.size()) std::abort();
  if (sync && (std::fflush(f) != 0 || ::fsync(fileno(f)) != 0)) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

void BM_Fwrite(benchmark::State& state) {
  const std::string path = Target("fwrite.dad");
  Time(state, "c", [&] { OneFwrite(path, false); }, "fwrite.dad");
}

void BM_Fwrite_WithFsync(benchmark::State& state) {
  const std::string path = Target("fwrite_sync.dad");
  Time(state, "c_sync", [&] { OneFwrite(path, true); }, "fwrite_sync.dad");
}

// One 1 MiB buffer, written again and again: it stays in the cache, so
// the loop costs the system calls and the page cache, nothing else.
void WriteLoop(const std::string& path) {
  static const std::string chunk(std::size_t{1} << 20, 'x');
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  std::size_t left = g_bytes.size();
  while (left > 0) {
    const std::size_t n = left < chunk.size() ? left : chunk.size();
    if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) std::abort();
    left -= n;
  }
  if (::close(fd) != 0) std::abort();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The writer (no fsync) and the write() loop in turns, the order swapped
// every pair, so that both meet the same load of this shared machine; the
// ratio of the medians is the one the target is about. Wall time and the
// process's CPU time (user + system: the formatting and the copy into the
// page cache) are both kept: on a machine busy with other work the wall
// time also counts the waits for a core.
struct TSamples {
  std::vector<double> wall, cpu;
};
TSamples g_pair_writer;
TSamples g_pair_loop;
TSamples g_pair_format;  // the formatting alone, into no file

double CpuSeconds() {
  struct timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void BM_WriterAgainstLoop(benchmark::State& state) {
  FileSystemCalls().fsync = NoSync;
  const std::string loop = Target("pair_loop.dad");
  auto one = [](TSamples& into, const std::function<void()>& body, const std::string& file) {
    ::unlink(file.c_str());
    ::sync();
    const double c0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    body();
    into.wall.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    into.cpu.push_back(CpuSeconds() - c0);
    ::unlink(file.c_str());
  };
  auto writer = [] {
    if (!WriteCaseFile(g_case, "Benchmark", "pair_writer")) std::abort();
  };
  auto write_loop = [&] { WriteLoop(loop); };
  auto format_only = [] {
    if (!FormatCaseFile(g_case, "Benchmark", [](const char*, std::size_t) { return true; })) {
      std::abort();
    }
  };
  bool writer_first = true;
  for (auto _ : state) {
    one(g_pair_format, format_only, Target("pair_none.dad"));
    if (writer_first) {
      one(g_pair_writer, writer, Target("pair_writer.dad"));
      one(g_pair_loop, write_loop, loop);
    } else {
      one(g_pair_loop, write_loop, loop);
      one(g_pair_writer, writer, Target("pair_writer.dad"));
    }
    writer_first = !writer_first;
  }
  FileSystemCalls() = RealFileSystemCalls();
  state.counters["writer_ms"] = Median(g_pair_writer.wall) * 1e3;
  state.counters["loop_ms"] = Median(g_pair_loop.wall) * 1e3;
  state.counters["writer_cpu_ms"] = Median(g_pair_writer.cpu) * 1e3;
  state.counters["loop_cpu_ms"] = Median(g_pair_loop.cpu) * 1e3;
  state.counters["format_cpu_ms"] = Median(g_pair_format.cpu) * 1e3;
}

// Peak resident memory of one save, in a fresh child process: the case's
// arrays (touched), then the save; the difference is the writer's own.
void ReportMemory() {
  const std::vector<long> values = bench::PeakMarksInChild(3, [](std::vector<long>& marks) {
    marks.push_back(bench::PeakKiB());
    TCaseData d;
    bench::FillCase(d, g_intervals);
    marks.push_back(bench::PeakKiB());
    marks.push_back(WriteCaseFile(d, "Benchmark", "memory") ? bench::PeakKiB() : -1);
  });
  if (values.empty()) {
    std::printf("memory: measurement failed\n");
    return;
  }
  const double arrays = 2.0 * 8.0 * g_intervals / (1024.0 * 1024.0);
  const double writer = (values[2] - values[1]) / 1024.0;
  std::printf("memory (VmHWM of a child saving %d intervals): %.1f MiB before the arrays, "
              "%.1f MiB with them (%.1f MiB of doubles), %.1f MiB after the save; the save "
              "added %.1f MiB (budget: arrays + 64 MiB) -> %s\n",
              g_intervals, values[0] / 1024.0, values[1] / 1024.0, arrays, values[2] / 1024.0,
              writer, writer <= 64.0 ? "within budget" : "OVER BUDGET");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  std::string folder;
  if (!bench::StartUp(argc, argv, "zk_bench_case_file", &g_intervals, &rest, &folder)) return 1;
  int rest_argc = static_cast<int>(rest.size());
  g_dir = folder;
  // The writer saves into the current folder, as the program does.
  if (chdir(g_dir.c_str()) != 0) {
    std::perror("chdir");
    return 1;
  }

  // Measured first, while this process is still small.
  ReportMemory();
  ::unlink("memory.dad");

  bench::FillCase(g_case, g_intervals);
  g_bytes = FormatCaseFileToString(g_case, "Benchmark");
  // The routes must write the same bytes, or the comparison means nothing.
  PlainFprintf(g_case, "Benchmark", Target("check.dad"));
  {
    FILE* f = std::fopen(Target("check.dad").c_str(), "rb");
    std::string plain(g_bytes.size() + 1, '\0');
    const std::size_t n = f ? std::fread(plain.data(), 1, plain.size(), f) : 0;
    if (f) std::fclose(f);
    if (n != g_bytes.size() || std::memcmp(plain.data(), g_bytes.data(), n) != 0) {
      std::fprintf(stderr, "fprintf route and writer differ\n");
      return 1;
    }
    ::unlink(Target("check.dad").c_str());
  }
  std::printf("case file: %d intervals, %zu bytes, in %s\n", g_intervals, g_bytes.size(),
              g_dir.c_str());
  std::fflush(stdout);
  benchmark::RegisterBenchmark("CaseFile/a_writer_no_fsync", BM_Writer_NoFsync)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CaseFile/a_writer_with_fsync", BM_Writer_WithFsync)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CaseFile/a_writer_and_d_loop_in_turns", BM_WriterAgainstLoop)
      ->Iterations(10)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CaseFile/b_fprintf", BM_Fprintf)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CaseFile/c_one_fwrite", BM_Fwrite)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CaseFile/c_one_fwrite_with_fsync", BM_Fwrite_WithFsync)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::Initialize(&rest_argc, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  auto ratio = [](const char* x, const char* y) {
    return g_seconds.count(x) && g_seconds.count(y) && g_seconds[y] > 0
               ? g_seconds[x] / g_seconds[y]
               : -1.0;
  };
  std::printf("ratio a/b (writer / fprintf, no fsync): %.3f  (target <= 0.333: %s)\n",
              ratio("a", "b"), bench::Verdict(ratio("a", "b"), ratio("a", "b") <= 1.0 / 3));
  std::printf("ratio a/c (writer / one fwrite, no fsync): %.3f  (target <= 1.5: %s)\n",
              ratio("a", "c"), bench::Verdict(ratio("a", "c"), ratio("a", "c") <= 1.5));
  std::printf("ratio a/c with fsync on both: %.3f\n", ratio("a_sync", "c_sync"));
  auto paired = [](const std::vector<double>& a, const std::vector<double>& d) {
    return Median(d) > 0 ? Median(a) / Median(d) : -1.0;
  };
  const double wall = paired(g_pair_writer.wall, g_pair_loop.wall);
  const double cpu = paired(g_pair_writer.cpu, g_pair_loop.cpu);
  std::printf("ratio a/d (writer / write() loop of a hot 1 MiB buffer, no fsync; medians of %zu "
              "runs in turns): wall %.3f (target <= 1.3: %s), CPU %.3f (target <= 1.3: %s)\n",
              g_pair_writer.wall.size(), wall, bench::Verdict(wall, wall <= 1.3), cpu,
              bench::Verdict(cpu, cpu <= 1.3));
  std::printf("  CPU medians: writer %.1f ms = loop %.1f ms + %.1f ms; the formatting alone "
              "(no file) %.1f ms\n",
              Median(g_pair_writer.cpu) * 1e3, Median(g_pair_loop.cpu) * 1e3,
              (Median(g_pair_writer.cpu) - Median(g_pair_loop.cpu)) * 1e3,
              Median(g_pair_format.cpu) * 1e3);
  std::error_code ignored;
  if (chdir("/") != 0) std::perror("chdir");
  fs::remove_all(g_dir, ignored);
  return 0;
}
