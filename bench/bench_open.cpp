// Opening a case in the main window until it takes input again (fields,
// table and memo shown, painted), against the core reader alone on the same
// file, in the same run: N = 1,000,000 (target: at most 2x the reader) and
// N = 8,760, a year of hours (target: under 150 ms). Then the memory: a
// fresh process opens the large case, and its peak resident memory beyond
// the idle window must stay within the two arrays + 64 MiB; and a 2 GiB
// file of blanks is refused within 64 MiB above the idle window.
//
//   bench_open [INTERVALS] [REPETITIONS] [--benchmark_... flags]
//   (under xvfb-run or offscreen; INTERVALS replaces 1,000,000)

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchCase.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"


namespace {

constexpr int32_t kYear = 8760;

std::map<int32_t, std::string> files;  // intervals -> path of the case file
int boxes = 0;

std::string WriteCase(const std::string& folder, int32_t n) {
  TCaseData d;
  bench::FillCase(d, n);
  const std::string path = folder + "/aberto" + std::to_string(n) + ".dad";
  const std::string bytes = FormatCaseFileToString(d, "Benchmark");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return {};
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok ? path : std::string();
}

void BM_Reader(benchmark::State& state) {
  const std::string& path = files[static_cast<int32_t>(state.range(0))];
  for (auto _ : state) {
    TCaseData read;
    std::string title;
    if (!ReadCaseFile(path, &read, &title)) state.SkipWithError("the reader refused the file");
    benchmark::DoNotOptimize(read.N);
  }
}

// Until the window has shown the case and painted: what the user waits for
// before the next key is taken.
void BM_OpenInWindow(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  const std::string& path = files[n];
  for (auto _ : state) {
    if (!Form1->OpenCaseFile(path)) state.SkipWithError("the window did not open the case");
    QCoreApplication::processEvents();
    Form1->Widget()->repaint();
  }
  if (Form1->Memo1->LineCount() != n + 1 || Form1->Memo1->Line(n).rfind("      " + std::to_string(n) + " ", 0) != 0 ||
      boxes != 0)
    state.SkipWithError("the window does not show the case");
}

class Summary : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> ms;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred && run.aggregate_name.empty()) ms[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

// The memory child: the window idle, then the case opened; prints the two
// peaks (KiB).
int MemoryChild(const std::string& path) {
  int argc = 1;
  char name[] = "bench_open";
  char* argv[] = {name, nullptr};
  TApplication app(argc, argv);
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowExposed(Form1->Widget())) return 1;
  QCoreApplication::processEvents();
  const long idle = bench::PeakKiB();
  const bool opened = Form1->OpenCaseFile(path);
  QCoreApplication::processEvents();
  Form1->Widget()->repaint();
  std::printf("%ld %ld\n", idle, opened ? bench::PeakKiB() : -1L);
  return 0;
}

// Runs this program again as the memory child; false when it failed.
bool MeasureMemory(const char* self, const std::string& path, long* idle, long* opened) {
  const std::string out = bench::OutputOf(self, {self, "--memory-child", path});
  return std::sscanf(out.c_str(), "%ld %ld", idle, opened) == 2 && *idle > 0 && *opened > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 3 && std::string(argv[1]) == "--memory-child") return MemoryChild(argv[2]);

  benchmark::Initialize(&argc, argv);
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
  std::vector<char*> rest;
  std::string folder;
  int32_t ignored = 0;
  if (!bench::StartUp(1, argv, "zk_bench_open", &ignored, &rest, &folder)) return 1;
  for (int32_t size : {n, kYear}) {
    files[size] = WriteCase(folder, size);
    if (files[size].empty()) return 1;
  }

  int qt_argc = 1;
  TApplication app(qt_argc, argv);
  Application->SetTitle("ZORMEK_GUI");
  SetMessageBoxPresenter([](const TMessageBoxRequest&) { ++boxes; });
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowActive(Form1->Widget())) std::fprintf(stderr, "window not active\n");

  for (int32_t size : {n, kYear}) {
    benchmark::RegisterBenchmark("BM_Reader", BM_Reader)->Arg(size)->Iterations(repetitions)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_OpenInWindow", BM_OpenInWindow)->Arg(size)->Iterations(repetitions)->UseRealTime()->Unit(benchmark::kMillisecond);
  }
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  // The peak resident memory of opening a 2 GiB file of blanks (sparse past
  // its first MiB), above the idle window: the peak is reset first
  // (/proc/self/clear_refs), then read before and after the open.
  const std::string blank = folder + "/branco.dad";
  if (FILE* f = std::fopen(blank.c_str(), "wb")) {
    const std::string mib(1 << 20, ' ');
    std::fwrite(mib.data(), 1, mib.size(), f);
    std::fclose(f);
  }
  if (truncate(blank.c_str(), off_t{2} << 30) == 0) {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    const long before = bench::PeakKiB();
    const int boxes_before = boxes;
    const bool opened = Form1->OpenCaseFile(blank);
    const long grown = bench::PeakKiB() - before;
    const double mib = grown / 1024.0;
    if (opened || boxes != boxes_before + 1 || before < 0) {
      std::fprintf(stderr, "the file of blanks was not refused with one box\n");
      return 1;
    }
    std::printf("2 GiB file of blanks refused, peak %.1f MiB above the idle window (target < 64 MiB: %s)\n", mib,
                bench::Verdict(mib > 0 ? mib : 0.001, mib < 64.0));
  }
  unlink(blank.c_str());
  delete Form1;
  Form1 = nullptr;

  auto at = [&](const char* name, int32_t size) {
    const std::string key = std::string(name) + "/" + std::to_string(size) + "/iterations:" + std::to_string(repetitions) + "/real_time";
    const auto it = summary.ms.find(key);
    return it == summary.ms.end() ? 0.0 : it->second;
  };
  const double read = at("BM_Reader", n), open = at("BM_OpenInWindow", n), year = at("BM_OpenInWindow", kYear);
  const double ratio = read > 0 ? open / read : 0;
  std::printf("\nopening %d intervals: %.1f ms, the reader alone %.1f ms: %.2fx (target 2x: %s)\n", n, open, read,
              ratio, bench::Verdict(ratio, ratio <= 2.0));
  std::printf("opening %d intervals (a year of hours): %.1f ms (target 150 ms: %s)\n", kYear, year,
              bench::Verdict(year, year < 150.0));

  long idle = 0, opened = 0;
  if (MeasureMemory("/proc/self/exe", files[n], &idle, &opened)) {
    const double arrays = 2.0 * n * sizeof(double) / 1048576.0;
    const double beyond = (opened - idle) / 1024.0;
    std::printf("peak memory opening %d intervals: %.1f MiB beyond the idle window (%.1f MiB), the arrays %.1f MiB: "
                "%.1f MiB more (target 64 MiB: %s)\n",
                n, beyond, idle / 1024.0, arrays, beyond - arrays, bench::Verdict(beyond, beyond - arrays <= 64.0));
  } else {
    std::printf("peak memory opening %d intervals: the measuring process failed (target 64 MiB: not measured)\n", n);
  }
  for (const auto& [size, path] : files) unlink(path.c_str());
  rmdir(folder.c_str());
  return 0;
}
