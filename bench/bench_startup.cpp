// Start-up cost: from process start until the main window is first mapped
// (exposed) and until it is shown and active, for this program (its own
// start-up, in this executable, which links what zormek_gui links)
// and for a fair baseline, startup_label_window, a Qt Widgets program with
// one window of the same size holding one QLabel (which loads the fonts
// too), started alternately in the same run on the same X server. Target: at
// most 1.3x the baseline, to the first map and to active.
//
//   bench_startup [ROUNDS] [--benchmark_... flags]   driver
//   bench_startup --child zormek                     one start of the program

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "bench/BenchCase.h"
#include "forms/Unit1.h"


namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Notes when the watched window is first exposed and first active; prints
// both and quits once it has both.
class StartWatch : public QObject {
public:
  explicit StartWatch(QWidget* w) : QObject(qApp), w_(w) {
    w_->installEventFilter(this);
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Expose && mapped_ == 0 && w_->windowHandle() == o && w_->windowHandle()->isExposed())
      mapped_ = NowNs();
    if (o == w_ && e->type() == QEvent::WindowActivate && w_->isVisible() && active_ == 0) active_ = NowNs();
    if (mapped_ != 0 && active_ != 0 && !done_) {
      done_ = true;
      std::printf("%lld %lld\n", mapped_, active_);
      std::fflush(stdout);
      QCoreApplication::exit(0);
    }
    return false;
  }

private:
  QWidget* w_;
  long long mapped_ = 0, active_ = 0;
  bool done_ = false;
};

// The program's own start-up (RunZormekGui, as main() runs it), watched on
// its main window.
int Child() {
  char name[] = "bench_startup";
  char* argv[] = {name, nullptr};
  return RunZormekGui(1, argv, [](TForm1* form) { new StartWatch(form->Widget()); });
}

// The baseline beside this program: startup_label_window.
std::string LabelWindowProgram() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "startup_label_window";
}

struct Times {
  long long mapped = -1, active = -1;
};

Times MeasureOnce(const std::string& program, const char* mode) {
  std::vector<std::string> args{program};
  if (mode != nullptr) args.insert(args.end(), {"--child", mode});
  const long long t0 = NowNs();
  const std::string out = bench::OutputOf(program, args);
  long long mapped = 0, active = 0;
  if (std::sscanf(out.c_str(), "%lld %lld", &mapped, &active) != 2) return {};
  return {mapped - t0, active - t0};
}

std::vector<Times> label_runs, zormek_runs;

// One iteration: the baseline, then the program, started one after the
// other; the time of the iteration is the program's, to active.
void BM_StartupPair(benchmark::State& state) {
  for (auto _ : state) {
    const Times label = MeasureOnce(LabelWindowProgram(), nullptr);
    const Times zormek = MeasureOnce("/proc/self/exe", "zormek");
    if (label.active <= 0 || zormek.active <= 0) {
      state.SkipWithError("a start failed (is there an X server or QT_QPA_PLATFORM?)");
      break;
    }
    label_runs.push_back(label);
    zormek_runs.push_back(zormek);
    state.SetIterationTime(static_cast<double>(zormek.active) / 1e9);
  }
}

double Median(const std::vector<Times>& runs, long long Times::*field) {
  std::vector<long long> v;
  for (const Times& t : runs) v.push_back(t.*field);
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : static_cast<double>(v[v.size() / 2]) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return Child();
  benchmark::Initialize(&argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  benchmark::RegisterBenchmark("BM_StartupPair", BM_StartupPair)->Iterations(rounds)->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  if (zormek_runs.empty()) return 1;
  std::printf("\nstart-up, median of %zu alternating runs   to first map   to active\n", zormek_runs.size());
  const double lm = Median(label_runs, &Times::mapped), la = Median(label_runs, &Times::active);
  const double zm = Median(zormek_runs, &Times::mapped), za = Median(zormek_runs, &Times::active);
  std::printf("  a window with one QLabel:              %8.1f ms   %8.1f ms\n", lm, la);
  std::printf("  ZORMEK GUI:                            %8.1f ms   %8.1f ms\n", zm, za);
  std::printf("  to first map: %.2fx the one-label window (target 1.3x: %s)\n", zm / lm, bench::Verdict(zm, zm / lm <= 1.30));
  std::printf("  to active:    %.2fx the one-label window (target 1.3x: %s)\n", za / la, bench::Verdict(za, za / la <= 1.30));
  return 0;
}
