// Filling the interval table: pasting R rows from the clipboard against
// entering the same rows one "OK" at a time (interval number, duration and
// load assigned to their fields, "OK" pressed, the events of each press let
// through as the event loop would), in the same run on the same window.
// Prints the per-row costs and their ratio, and the paste times against the
// targets (8,760 rows under 0.3 s, 1,000,000 rows under 10 s).
//
//   bench_interval_paste [--benchmark_... flags]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/BenchCase.h"
#include "case/IntervalTable.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"

namespace {

std::string DurationText(int64_t i) { return std::to_string(1 + i % 3) + "," + std::to_string(i % 10); }
std::string LoadText(int64_t i) { return std::to_string(400 + i % 700) + ",5"; }

std::string TableText(int64_t rows) {
  std::string text;
  for (int64_t i = 0; i < rows; ++i) text += DurationText(i) + '\t' + LoadText(i) + "\r\n";
  return text;
}

// The window's count back to 1, so the next fill re-sizes the table again.
void ResetTable() {
  Form1->LabeledEdit1->SetText("1");
  QCoreApplication::processEvents();
}

void BM_EnterThroughOk(benchmark::State& state) {
  const int64_t rows = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    ResetTable();
    Form1->LabeledEdit1->SetText(std::to_string(rows));
    state.ResumeTiming();
    for (int64_t i = 0; i < rows; ++i) {
      Form1->LabeledEdit2->SetText(std::to_string(i + 1));
      Form1->LabeledEdit3->SetText(DurationText(i));
      Form1->LabeledEdit4->SetText(LoadText(i));
      Form1->Button3->Click();
      QCoreApplication::processEvents();
    }
  }
}

void BM_Paste(benchmark::State& state) {
  const int64_t rows = state.range(0);
  const QString text = QString::fromStdString(TableText(rows));
  for (auto _ : state) {
    state.PauseTiming();
    ResetTable();
    QGuiApplication::clipboard()->setText(text);
    state.ResumeTiming();
    Form1->PasteIntervalTable(nullptr);
    QCoreApplication::processEvents();
    if (Form1->CaseData.N != rows) state.SkipWithError("the paste did not fill the table");
  }
}

// Reading alone (no window): the part of a paste before the memo.
void BM_ReadOnly(benchmark::State& state) {
  const std::string text = TableText(state.range(0));
  for (auto _ : state) {
    TResult<TPastedIntervals> rows = ParseIntervalTable(text);
    if (!rows) std::abort();
    benchmark::DoNotOptimize(rows->durations.data());
  }
}

void BM_Copy(benchmark::State& state) {
  const int64_t rows = state.range(0);
  ResetTable();
  QGuiApplication::clipboard()->setText(QString::fromStdString(TableText(rows)));
  Form1->PasteIntervalTable(nullptr);
  for (auto _ : state) Form1->CopyIntervalTable(nullptr);
}

BENCHMARK(BM_EnterThroughOk)->Arg(8760)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paste)->Arg(8760)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paste)->Arg(1000000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOnly)->Arg(1000000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy)->Arg(1000000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps each benchmark's mean time per iteration (seconds) for the summary.
class Summary : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1e3;  // ms -> s
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  TApplication app(qt_argc, argv);
  Application->SetTitle("ZORMEK_GUI");
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});  // the re-size warning answers itself
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowActive(Form1->Widget())) std::fprintf(stderr, "window not active\n");

  benchmark::Initialize(&argc, argv);
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);

  auto at = [&](const char* name) {
    const auto it = summary.seconds.find(name);
    return it == summary.seconds.end() ? 0.0 : it->second;
  };
  const double ok = at("BM_EnterThroughOk/8760/iterations:2/real_time");
  const double paste = at("BM_Paste/8760/iterations:10/real_time");
  const double million = at("BM_Paste/1000000/iterations:2/real_time");
  std::printf("\nper row, 8,760 rows: \"OK\" %.2f us, paste %.3f us; paste / \"OK\" = %.4f (%.0fx faster)\n",
              ok / 8760 * 1e6, paste / 8760 * 1e6, paste / ok, ok / paste);
  std::printf("paste of 8,760 rows:     %7.3f s (target < 0.3 s: %s)\n", paste, bench::Verdict(paste, paste < 0.3));
  std::printf("paste of 1,000,000 rows: %7.3f s (target < 10 s: %s)\n", million,
              bench::Verdict(million, million < 10));
  delete Form1;
  Form1 = nullptr;
  return 0;
}
