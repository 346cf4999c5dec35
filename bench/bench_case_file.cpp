// Writing the case file for N = 1,000,000 intervals (about 280 MB):
//   (a) WriteCaseFile through the real atomic sink, once with the fsync
//       switched off (to compare with the C library routes, which do not
//       sync) and once as shipped, with fsync;
//   (b) a plain fprintf per value into a FILE*;
//   (c) one fwrite of the same number of bytes (and the same plus fsync).
// After the benchmarks it prints the ratios a/b and a/c, and the peak memory
// of a save measured in a child process.
//
// Usage: bench_case_file [--intervals=N] [google benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/FileSink.h"

namespace {

namespace fs = std::filesystem;

int32_t g_intervals = 1'000'000;
fs::path g_dir;
TCaseData g_case;
std::map<std::string, double> g_seconds;  // per iteration, last run of each

void Fill(TCaseData& d, int32_t n) {
  d.Create(n);
  uint64_t s = 12345;
  for (int32_t k = 1; k <= n; ++k) {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    d.SetDuration(k, static_cast<double>(100 + (s >> 40) % 2300) / 100.0);  // 1.00 .. 24.00 h
    d.SetLoad(k, static_cast<double>(10000 + (s >> 20) % 900000) / 100.0);  // 100 .. 9100 MW
  }
  d.base = 100;
  d.c0 = 120.5;
  d.c = 2.25;
  d.q = 0.0125;
  d.Ptmax = 4000;
  d.Phmax = 6000;
  d.Vtot = 123456.78;
}

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
    if (!WriteCaseFile(g_case, "Benchmark", base).empty()) std::abort();
  }, "writer.dad");
  FileSystemCalls() = RealFileSystemCalls();
}

void BM_Writer_WithFsync(benchmark::State& state) {
  const std::string base = "writer_sync";
  Time(state, "a_sync", [&] {
    if (!WriteCaseFile(g_case, "Benchmark", base).empty()) std::abort();
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

long PeakKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
  }
  std::fclose(f);
  return kib;
}

// Peak resident memory of one save, in a fresh child process: the case's
// arrays (touched), then the save; the difference is the writer's own.
void ReportMemory() {
  int pipe_fd[2];
  if (pipe(pipe_fd) != 0) return;
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fd[0]);
    long values[3] = {PeakKiB(), 0, 0};
    TCaseData d;
    Fill(d, g_intervals);
    values[1] = PeakKiB();
    const bool ok = WriteCaseFile(d, "Benchmark", "memory").empty();
    values[2] = ok ? PeakKiB() : -1;
    if (write(pipe_fd[1], values, sizeof values) != static_cast<ssize_t>(sizeof values)) _exit(1);
    _exit(0);
  }
  close(pipe_fd[1]);
  long values[3] = {0, 0, 0};
  const bool got = read(pipe_fd[0], values, sizeof values) == static_cast<ssize_t>(sizeof values);
  close(pipe_fd[0]);
  waitpid(child, nullptr, 0);
  if (!got || values[2] < 0) {
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
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--intervals=", 12) == 0) {
      g_intervals = std::atoi(argv[i] + 12);
    } else {
      rest.push_back(argv[i]);
    }
  }
  int rest_argc = static_cast<int>(rest.size());
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") +
                        "/zk_bench_case_file_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  g_dir = buffer.data();
  // The writer saves into the current folder, as the program does.
  if (chdir(g_dir.c_str()) != 0) {
    std::perror("chdir");
    return 1;
  }

  // Measured first, while this process is still small.
  ReportMemory();
  ::unlink("memory.dad");

  Fill(g_case, g_intervals);
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
              ratio("a", "b"), ratio("a", "b") <= 1.0 / 3 ? "met" : "missed");
  std::printf("ratio a/c (writer / one fwrite, no fsync): %.3f  (target <= 1.5: %s)\n",
              ratio("a", "c"), ratio("a", "c") <= 1.5 ? "met" : "missed");
  std::printf("ratio a/c with fsync on both: %.3f\n", ratio("a_sync", "c_sync"));
  std::error_code ignored;
  if (chdir("/") != 0) std::perror("chdir");
  fs::remove_all(g_dir, ignored);
  return 0;
}
