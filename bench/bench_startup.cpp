// Start-up cost: time from process start until the main window is shown and
// active, for this program and for a minimal Qt Widgets program with one
// empty window, measured alternately in the same run on the same X server.
//
//   bench_startup [ROUNDS]          driver: prints both medians and the ratio
//   bench_startup --child MODE T0   one measured start (MODE: minimal|zormek)

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "forms/Unit1.h"
#include "toolkit/Application.h"

extern char** environ;

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Quits the loop the first time the watched window is shown and active.
class ActivationWatch : public QObject {
public:
  explicit ActivationWatch(QWidget* w) : w_(w) { w_->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == w_ && e->type() == QEvent::WindowActivate && w_->isVisible() && !done_) {
      done_ = true;
      std::printf("%lld\n", NowNs());
      std::fflush(stdout);
      QCoreApplication::exit(0);
    }
    return false;
  }

private:
  QWidget* w_;
  bool done_ = false;
};

int Child(const std::string& mode) {
  int argc = 1;
  char name[] = "bench_startup";
  char* argv[] = {name, nullptr};
  if (mode == "minimal") {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(555, 729);
    ActivationWatch watch(&window);
    window.show();
    window.activateWindow();
    return app.exec();
  }
  // The program's own start-up sequence, with the same window shown.
  TApplication app(argc, argv);
  Application->Initialize();
  Application->SetTitle("ZORMEK_GUI");
  Application->CreateForm(Form1);
  ActivationWatch watch(Form1->Widget());
  return Application->Run();
}

long long MeasureOnce(const char* self, const char* mode) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipefd[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipefd[0]);
  const long long t0 = NowNs();
  std::string arg_t0 = std::to_string(t0);
  char child_flag[] = "--child";
  char* argv[] = {const_cast<char*>(self), child_flag, const_cast<char*>(mode), arg_t0.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipefd[1]);
  if (rc != 0) {
    close(pipefd[0]);
    return -1;
  }
  char buf[64] = {};
  ssize_t n = read(pipefd[0], buf, sizeof buf - 1);
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (n <= 0) return -1;
  return std::atoll(buf) - t0;
}

double Median(std::vector<long long> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : static_cast<double>(v[v.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2]);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  std::vector<long long> minimal, zormek;
  for (int i = 0; i < rounds; ++i) {
    const long long a = MeasureOnce("/proc/self/exe", "minimal");
    const long long b = MeasureOnce("/proc/self/exe", "zormek");
    if (a <= 0 || b <= 0) {
      std::fprintf(stderr, "bench_startup: a start failed (is there an X server or QT_QPA_PLATFORM?)\n");
      return 1;
    }
    minimal.push_back(a);
    zormek.push_back(b);
  }
  const double m = Median(minimal), z = Median(zormek);
  std::printf("start-up until the main window is shown and active, median of %d alternating runs\n", rounds);
  std::printf("  minimal Qt Widgets program: %8.1f ms\n", m / 1e6);
  std::printf("  ZORMEK GUI:                 %8.1f ms\n", z / 1e6);
  const double ratio = z / m;
  std::printf("  ratio ZORMEK / minimal:     %8.2f  (target <= 1.30: %s)\n", ratio, ratio <= 1.30 ? "met" : "not met");
  return 0;
}
