// The memo stays fast whatever it holds:
//  - 10,000 presses of "OK", each appending one line: the mean time of the
//    last 1,000 presses against the first 1,000 (target: at most 1.5x);
//  - a page of the memo drawn while it shows a pasted table of 1,000,000
//    rows, scrolled to random places, against the same with a table of 10
//    rows (target: at most 1.5x: only the lines in view are laid out);
//  - the memo's numbers: FormatRealText of typical durations and loads and
//    of random doubles, against the C library's "%.17e" of the same values,
//    which the display's 18 digits used to be taken from.
//
//   bench_memo [PRESSES] [--benchmark_... flags]   (offscreen by default)

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchCase.h"
#include "case/NumberText.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Widgets.h"

namespace {

int presses = 10000;
std::vector<double> press_ns;

void BM_OkPress(benchmark::State& state) {
  Form1->LabeledEdit1->SetText("1");
  Form1->LabeledEdit3->SetText("10");
  Form1->LabeledEdit4->SetText("500");
  press_ns.clear();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    QTest::mouseClick(Form1->Button3->Widget(), Qt::LeftButton);
    QCoreApplication::processEvents();  // let the memo lay out and paint
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    press_ns.push_back(took.count() * 1e9);
    state.SetIterationTime(took.count());
  }
}

// A table of state.range(0) rows pasted, then pages drawn at random places.
void BM_DrawPage(benchmark::State& state) {
  const auto rows = state.range(0);
  std::string text;
  for (int64_t i = 0; i < rows; ++i) text += std::to_string(1 + i % 24) + ",25\t" + std::to_string(100 + i % 9000) + ",5\n";
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  Form1->PasteIntervalTable(nullptr);
  if (Form1->Memo1->LineCount() != rows + 1) state.SkipWithError("the paste did not fill the memo");
  tk::Memo* memo = Form1->Memo1->Qt();
  std::mt19937 random(7);
  for (auto _ : state) {
    memo->verticalScrollBar()->setValue(static_cast<int>(random() % static_cast<unsigned>(memo->verticalScrollBar()->maximum() + 1)));
    memo->viewport()->repaint();
  }
}

// Typical values (two decimals, as typed) and random doubles of every size.
std::vector<double> Numbers(bool typical) {
  std::mt19937_64 random(typical ? 1 : 2);
  std::vector<double> v(100000);
  for (double& x : v) {
    if (typical) {
      x = static_cast<double>(random() % 1000000) / 100.0;
    } else {
      const uint64_t bits = random() & 0x7FEFFFFFFFFFFFFFull;
      std::memcpy(&x, &bits, sizeof x);
    }
  }
  return v;
}

void BM_FormatRealText(benchmark::State& state) {
  const std::vector<double> values = Numbers(state.range(0) == 0);
  for (auto _ : state)
    for (double x : values) benchmark::DoNotOptimize(FormatRealText(x, ','));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

void BM_Snprintf17(benchmark::State& state) {
  const std::vector<double> values = Numbers(state.range(0) == 0);
  char buffer[40];
  for (auto _ : state)
    for (double x : values) benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.17e", x));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

BENCHMARK(BM_FormatRealText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snprintf17)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_OkPress)->Iterations(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPage)->Arg(10)->Arg(1000000)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMicrosecond);

class Summary : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> us;  // in each benchmark's unit
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred) us[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  benchmark::Initialize(&argc, argv);
  if (argc > 1) presses = std::max(2, std::atoi(argv[1]));
  int qt_argc = 1;
  TApplication app(qt_argc, argv);
  Application->SetTitle("ZORMEK_GUI");
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowActive(Form1->Widget())) std::fprintf(stderr, "window not active\n");
  if (presses != 10000) {
    benchmark::ClearRegisteredBenchmarks();
    benchmark::RegisterBenchmark("BM_OkPress", BM_OkPress)->Iterations(presses)->UseManualTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_DrawPage", BM_DrawPage)->Arg(10)->Arg(presses * 10)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_FormatRealText", BM_FormatRealText)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Snprintf17", BM_Snprintf17)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
  }
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);

  const int n = static_cast<int>(press_ns.size());
  const int window = std::min(1000, n / 2);
  const double first = window > 0 ? std::accumulate(press_ns.begin(), press_ns.begin() + window, 0.0) / window : 0;
  const double last = window > 0 ? std::accumulate(press_ns.end() - window, press_ns.end(), 0.0) / window : 0;
  const double ratio = first > 0 ? last / first : 0;
  std::printf("\nmemo: %d presses of \"OK\": the first %d %.1f us each, the last %d %.1f us each: %.2fx "
              "(target 1.5x: %s)\n",
              n, window, first / 1e3, window, last / 1e3, ratio, bench::Verdict(ratio, ratio <= 1.5));
  double small = 0, large = 0;
  for (const auto& [name, us] : summary.us) {
    if (name.rfind("BM_DrawPage/10/", 0) == 0) small = us;
    else if (name.rfind("BM_DrawPage/", 0) == 0) large = us;
  }
  const double draw = small > 0 ? large / small : 0;
  std::printf("memo: a page of a large pasted table %.1f us, of a 10-row table %.1f us: %.2fx (target 1.5x: %s)\n",
              large, small, draw, bench::Verdict(draw, draw <= 1.5));
  for (const char* kind : {"0", "1"}) {
    double format = 0, c_library = 0;  // ms per 100,000 values
    for (const auto& [name, ms] : summary.us) {
      if (name.rfind(std::string("BM_FormatRealText/") + kind, 0) == 0) format = ms;
      if (name.rfind(std::string("BM_Snprintf17/") + kind, 0) == 0) c_library = ms;
    }
    std::printf("memo numbers (%s): FormatRealText %.1f ns each, snprintf(\"%%.17e\") alone %.1f ns: %.2fx\n",
                kind[0] == '0' ? "typed values" : "random doubles", format * 10.0, c_library * 10.0,
                c_library > 0 ? format / c_library : 0.0);
  }
  delete Form1;
  Form1 = nullptr;
  return 0;
}
