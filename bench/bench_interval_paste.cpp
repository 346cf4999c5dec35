// Filling the interval table: pasting R rows from the clipboard against
// entering the same rows one "OK" at a time (interval number, duration and
// load assigned to their fields, "OK" pressed, the events of each press let
// through as the event loop would), and against reading the same text alone,
// in the same run on the same window. Prints the per-row costs and their
// ratio, the paste times against the targets (8,760 rows under 0.3 s, also
// from Calc's clipboard, SYLK and HTML; 1,000,000 rows under 10 s and at most
// 2x the reading alone). Then, in child processes, the reading's peak
// resident memory beyond its input for 10,000,000 rows of text and of SYLK
// and 1,000,000 rows of Calc's HTML, against the table's own 16 bytes a row;
// and a fresh window pastes 10,000,000 rows: once cancelled at each tenth of
// the way (nothing may change, and the window must answer within a moment),
// then whole, with its peak memory beyond the idle window holding the
// clipboard's text (target: the two arrays + 64 MiB).
//
//   bench_interval_paste [--rows=N] [--benchmark_... flags]  (N replaces 10,000,000)

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "bench/BenchCase.h"
#include "case/IntervalTable.h"
#include "case/SpreadsheetClipboard.h"
#include "forms/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Progress.h"


namespace {

std::string DurationText(int64_t i) { return std::to_string(1 + i % 3) + "," + std::to_string(i % 10); }
std::string LoadText(int64_t i) { return std::to_string(400 + i % 700) + ",5"; }

std::string TableText(int64_t rows) {
  std::string text;
  for (int64_t i = 0; i < rows; ++i) text += DurationText(i) + '\t' + LoadText(i) + "\r\n";
  return text;
}

// The same rows as Calc 7.4 in Brazilian Portuguese puts them on the
// clipboard, loads formatted "#,##0.00" (the layout of the captures in
// tests/data/clipboard): SYLK, HTML and the plain text of the display.
std::string GroupedLoad(int64_t i) {
  const int64_t mw = 400 + i % 9000;
  const std::string whole = mw >= 1000 ? std::to_string(mw / 1000) + "." + std::to_string(mw % 1000 + 1000).substr(1)
                                       : std::to_string(mw);
  return whole + ",50";
}

std::string CalcSylk(int64_t rows) {
  std::string s = "ID;PCALCOOO32\n";
  for (int64_t i = 0; i < rows; ++i) {
    std::string d = DurationText(i);
    d[d.find(',')] = '.';
    s += "C;X1;Y" + std::to_string(i + 1) + ";K" + d + "\nC;X2;Y" + std::to_string(i + 1) + ";K" +
         std::to_string(400 + i % 9000) + ".5\n";
  }
  return s + "E\n";
}

std::string CalcHtml(int64_t rows) {
  std::string s =
      "<!DOCTYPE html>\n\n<html>\n<head>\n\t\n\t<meta http-equiv=\"content-type\" content=\"text/html; "
      "charset=utf-8\"/>\n\t<title></title>\n\t<meta name=\"generator\" content=\"LibreOffice 7.4.7.2 "
      "(Linux)\"/>\n</head>\n\n<body>\n<table cellspacing=\"0\" border=\"0\">\n\t<colgroup span=\"2\" "
      "width=\"89\"></colgroup>\n";
  for (int64_t i = 0; i < rows; ++i) {
    const std::string d = DurationText(i);
    const std::string raw = std::to_string(400 + i % 9000) + ",5";
    s += "\t<tr>\n\t\t<td height=\"18\" align=\"right\" sdval=\"" + d + "\" sdnum=\"1046;\">" + d +
         "</td>\n\t\t<td align=\"right\" sdval=\"" + raw + "\" sdnum=\"1046;0;#.##0,00\">" + GroupedLoad(i) +
         "</td>\n\t</tr>\n";
  }
  return s + "</table>\n</body>\n\n</html>\n";
}

std::string CalcText(int64_t rows) {
  std::string s;
  for (int64_t i = 0; i < rows; ++i) s += DurationText(i) + '\t' + GroupedLoad(i) + '\n';
  return s;
}

void SetCalcClipboard(int64_t rows, bool sylk) {
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(CalcText(rows)));
  data->setData(QStringLiteral("text/html"), QByteArray::fromStdString(CalcHtml(rows)));
  if (sylk) data->setData(QString::fromUtf8(kSylkMime.data(), kSylkMime.size()), QByteArray::fromStdString(CalcSylk(rows)));
  QGuiApplication::clipboard()->setMimeData(data);
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

// A paste of what Calc puts on the clipboard: the window reads its SYLK,
// or (range(1) == 0) its HTML, Calc's richest format, where no SYLK is there.
void BM_PasteCalc(benchmark::State& state) {
  const int64_t rows = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    ResetTable();
    SetCalcClipboard(rows, state.range(1) != 0);
    state.ResumeTiming();
    Form1->PasteIntervalTable(nullptr);
    QCoreApplication::processEvents();
    if (Form1->CaseData.N != rows || Form1->CaseData.loads[1] != 401.5)
      state.SkipWithError("the paste did not fill the table with the values");
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
BENCHMARK(BM_PasteCalc)->Args({8760, 1})->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteCalc)->Args({8760, 0})->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
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

// The resident memory now (VmRSS), in KiB.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// The large paste in a process of its own: the window idle with the text on
// the clipboard, a paste cancelled at each tenth of its reading, then the
// whole paste. Prints "idle peak cancels worst_ms n_after_cancels n".
int PasteChild(int64_t rows) {
  int argc = 1;
  char name[] = "bench_interval_paste";
  char* argv[] = {name, nullptr};
  TApplication app(argc, argv);
  SetMessageBoxPresenter([](const TMessageBoxRequest&) {});
  Application->CreateForm(Form1);
  Form1->Show();
  if (!QTest::qWaitForWindowExposed(Form1->Widget())) return 1;
  {
    const std::string text = TableText(rows);
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  }
  QCoreApplication::processEvents();
  // The peak from here on: the idle window, the clipboard's text held.
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
  const long idle = ResidentKiB();

  TProgress::SetDelayMsForTesting(0);
  int cancels = 0;
  double worst_ms = 0;
  int32_t n_after_cancels = Form1->CaseData.N;
  for (int tenth = 1; tenth <= 9; ++tenth) {
    // "Cancelar" pressed once the bar has come this far; the time until the
    // paste has returned is what the user waits for.
    QElapsedTimer pressed;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QProgressDialog*>(w);
        if (!dialog || !dialog->isVisible() || dialog->value() < tenth * dialog->maximum() / 10) continue;
        poll.stop();
        pressed.start();
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
      }
    });
    poll.start(1);
    Form1->PasteIntervalTable(nullptr);
    poll.stop();
    if (pressed.isValid()) {
      ++cancels;
      worst_ms = std::max(worst_ms, static_cast<double>(pressed.nsecsElapsed()) / 1e6);
    }
    n_after_cancels = Form1->CaseData.N != 1 ? Form1->CaseData.N : n_after_cancels;
  }
  TProgress::SetDelayMsForTesting(300);
  Form1->PasteIntervalTable(nullptr);
  QCoreApplication::processEvents();
  std::printf("%ld %ld %d %.1f %d %d\n", idle, bench::PeakKiB(), cancels, worst_ms, n_after_cancels,
              Form1->CaseData.N);
  delete Form1;
  Form1 = nullptr;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 3 && std::strcmp(argv[1], "--paste-child") == 0) return PasteChild(std::atoll(argv[2]));
  int64_t large = 10000000;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0)
      large = std::atoll(argv[i] + 7);
    else
      args.push_back(argv[i]);
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
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
  delete Form1;
  Form1 = nullptr;

  auto at = [&](const char* name) {
    const auto it = summary.seconds.find(name);
    return it == summary.seconds.end() ? 0.0 : it->second;
  };
  const double ok = at("BM_EnterThroughOk/8760/iterations:2/real_time");
  const double paste = at("BM_Paste/8760/iterations:10/real_time");
  const double million = at("BM_Paste/1000000/iterations:2/real_time");
  const double reading = at("BM_ReadOnly/1000000/iterations:2/real_time");
  std::printf("\nper row, 8,760 rows: \"OK\" %.2f us, paste %.3f us; paste / \"OK\" = %.4f (%.0fx faster)\n",
              ok / 8760 * 1e6, paste / 8760 * 1e6, paste / ok, ok / paste);
  std::printf("paste of 8,760 rows:     %7.3f s (target < 0.3 s: %s)\n", paste, bench::Verdict(paste, paste < 0.3));
  std::printf("paste of 1,000,000 rows: %7.3f s (target < 10 s: %s)\n", million,
              bench::Verdict(million, million < 10));
  const double sylk = at("BM_PasteCalc/8760/1/iterations:10/real_time");
  const double html = at("BM_PasteCalc/8760/0/iterations:10/real_time");
  std::printf("paste of 8,760 rows from Calc, SYLK: %7.3f s (target < 0.3 s: %s)\n", sylk,
              bench::Verdict(sylk, sylk < 0.3));
  std::printf("paste of 8,760 rows from Calc, HTML: %7.3f s (target < 0.3 s: %s)\n", html,
              bench::Verdict(html, html < 0.3));

  // Peak memory of the reading alone, each in a fresh process: the input
  // made, then read; what the reading added to the peak, per row.
  struct Memory {
    const char* what;
    int64_t rows;
    std::string (*make)(int64_t);
    std::string_view mime;
  };
  const Memory memory[] = {
      {"text", 10000000, TableText, kPlainTextMime},
      {"SYLK", 10000000, CalcSylk, kSylkMime},
      {"Calc's HTML", 1000000, CalcHtml, kHtmlMime},
  };
  for (const Memory& m : memory) {
    const std::vector<long> marks = bench::PeakMarksInChild(3, [&m](std::vector<long>& out) {
      std::string input = m.make(m.rows);
      input.shrink_to_fit();
      // The peak so far was making the input (its copies as it grew): start
      // the count again from what is resident now.
      if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
      }
      out.push_back(bench::PeakKiB());
      const TResult<TPastedIntervals> read = ParseClipboardTable(m.mime, input);
      out.push_back(read && read->rows == static_cast<std::size_t>(m.rows) ? bench::PeakKiB() : -1);
      out.push_back(static_cast<long>(input.size() / 1024));
    });
    if (marks.empty()) {
      std::printf("reading %lld rows of %s: failed\n", static_cast<long long>(m.rows), m.what);
      continue;
    }
    const double added = static_cast<double>(marks[1] - marks[0]) * 1024;
    std::printf("reading %lld rows of %s (%ld MiB): peak +%.1f MiB, %.1f bytes a row = %.2fx the table's 16\n",
                static_cast<long long>(m.rows), m.what, marks[2] / 1024, added / (1 << 20),
                added / static_cast<double>(m.rows), added / static_cast<double>(m.rows) / 16);
  }
  const double ratio = reading > 0 ? million / reading : 0;
  std::printf("paste of 1,000,000 rows / reading them alone (%.3f s): %.2fx (target 2x: %s)\n", reading, ratio,
              bench::Verdict(ratio, ratio <= 2.0));

  // The large paste, in a fresh process.
  if (large <= 0) return 0;
  const std::string child = bench::OutputOf("/proc/self/exe", {args[0], "--paste-child", std::to_string(large)});
  long idle = 0, peak = 0;
  int cancels = 0, n_cancelled = 0, n = 0;
  double worst = 0;
  if (std::sscanf(child.c_str(), "%ld %ld %d %lf %d %d", &idle, &peak, &cancels, &worst, &n_cancelled, &n) != 6 ||
      n != large) {
    std::printf("paste of %lld rows: the measuring process failed (target 64 MiB: not measured)\n",
                static_cast<long long>(large));
    return 0;
  }
  const double arrays = 2.0 * static_cast<double>(large) * sizeof(double) / 1048576.0;
  const double beyond = static_cast<double>(peak - idle) / 1024.0;
  const bool cancelled = cancels == 9 && n_cancelled == 1;
  std::printf("paste of %lld rows cancelled at each tenth of its reading: %d of 9 stopped, the table %s, "
              "the slowest stop %.0f ms (target: every one, nothing changed: %s)\n",
              static_cast<long long>(large), cancels, n_cancelled == 1 ? "unchanged" : "CHANGED", worst,
              cancelled ? "met" : "not met");
  std::printf("paste of %lld rows: %.1f MiB beyond the idle window with the text on the clipboard (%.1f MiB), the "
              "arrays %.1f MiB: %.1f MiB more (target 64 MiB: %s)\n",
              static_cast<long long>(large), beyond, static_cast<double>(idle) / 1024.0, arrays, beyond - arrays,
              bench::Verdict(beyond, beyond - arrays <= 64.0));
  return 0;
}
