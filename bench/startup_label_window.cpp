// The start-up benchmark's baseline: a Qt Widgets program of its own with
// one window of the main window's size holding one QLabel. Prints, as the
// program's start does for bench_startup, the monotonic times (ns) at which
// its window was first exposed and first active, then quits.

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class StartWatch : public QObject {
public:
  explicit StartWatch(QWidget* w) : w_(w) { qApp->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Expose && mapped_ == 0 && w_->windowHandle() == o && w_->windowHandle()->isExposed())
      mapped_ = NowNs();
    if (o == w_ && e->type() == QEvent::WindowActivate && active_ == 0) active_ = NowNs();
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(555, 729);
  QLabel label(QStringLiteral("ZORMEK GUI"), &window);
  label.move(192, 8);
  StartWatch watch(&window);
  window.show();
  window.activateWindow();
  return app.exec();
}
