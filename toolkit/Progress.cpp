// TProgress: a QProgressDialog made on demand, modal while it is shown.
#include "toolkit/Progress.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {

// Without a cancel button the window must not close either: Escape and the
// close button would otherwise hide it and report a cancel.
class ProgressDialog : public QProgressDialog {
public:
  ProgressDialog(const QString& label, bool cancellable, QWidget* parent)
      : QProgressDialog(label, cancellable ? QStringLiteral("Cancelar") : QString(), 0, kSteps, parent),
        cancellable_(cancellable) {
    if (!cancellable) setCancelButton(nullptr);
  }
  static constexpr int kSteps = 1000;

  void reject() override {
    if (cancellable_) QProgressDialog::reject();
  }

protected:
  void closeEvent(QCloseEvent* event) override {
    if (cancellable_)
      QProgressDialog::closeEvent(event);
    else
      event->ignore();
  }

private:
  bool cancellable_;
};

int delay_ms = 300;

std::function<void()>& WorkerHook() {
  static std::function<void()> hook;
  return hook;
}

// Drops the input meant for anything but the progress window while work
// runs on a worker thread and the event loop turns. Input reaches a window
// first (where a press would already move the focus), then its widgets:
// both are held.
class InputGate : public QObject {
public:
  explicit InputGate(const QPointer<ProgressDialog>& dialog) : dialog_(dialog) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::InputMethod:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        break;
      case QEvent::Close:
        if (!event->spontaneous() || watched->isWindowType()) return false;  // the widget's close decides
        break;
      default:
        return false;
    }
    const QWidget* dialog = dialog_.data();
    bool in_dialog = false;
    if (watched->isWindowType()) {
      in_dialog = dialog && dialog->windowHandle() == static_cast<QWindow*>(watched);
    } else if (auto* widget = qobject_cast<QWidget*>(watched)) {
      in_dialog = dialog && (widget == dialog || dialog->isAncestorOf(widget));
    } else {
      return false;
    }
    if (in_dialog) return false;
    event->ignore();
    return true;
  }

private:
  const QPointer<ProgressDialog>& dialog_;
};

}  // namespace

int TProgress::DelayMs() { return delay_ms; }
void TProgress::SetDelayMsForTesting(int ms) { delay_ms = ms; }

struct TProgress::Impl {
  QPointer<QWidget> owner;
  QString label;
  bool cancellable = false;
  QElapsedTimer started;
  QElapsedTimer painted;
  QPointer<ProgressDialog> dialog;
  bool shown = false;
  bool cancelled = false;

  // Set the moment "Cancelar" is pressed, which also runs on_cancel.
  bool cancel_pressed = false;
  std::function<void()> on_cancel;

  bool Show(std::size_t done, std::size_t total);
};

TProgress::TProgress(const TForm* owner, std::string_view label, bool cancellable) : impl_(std::make_unique<Impl>()) {
  impl_->owner = owner ? owner->Widget() : nullptr;
  impl_->label = tk::Q(label);
  impl_->cancellable = cancellable;
  impl_->started.start();
}

// As after a message box: offscreen platforms and some window managers leave
// no window active once a modal window has gone.
TProgress::~TProgress() {
  delete impl_->dialog.data();
  if (impl_->shown && impl_->owner && impl_->owner->isVisible()) impl_->owner->activateWindow();
}

// Makes the window once the work has lasted and moves its bar; false while
// there is no window.
bool TProgress::Impl::Show(std::size_t done, std::size_t total) {
  Impl& d = *this;
  if (!d.dialog) {
    if (d.shown || d.started.elapsed() < delay_ms) return false;
    d.dialog = new ProgressDialog(d.label, d.cancellable, d.owner);
    d.dialog->setWindowTitle(QStringLiteral("ZORMEK GUI"));
    d.dialog->setWindowModality(Qt::ApplicationModal);
    d.dialog->setMinimumDuration(0);
    d.dialog->setAutoClose(false);
    d.dialog->setAutoReset(false);
    QObject::connect(d.dialog.data(), &QProgressDialog::canceled, [this] {
      cancel_pressed = true;
      if (on_cancel) on_cancel();
    });
    d.dialog->show();
    d.shown = true;
    d.painted.invalidate();
  }
  const int value = total == 0 ? 0
                               : static_cast<int>(static_cast<double>(done) / static_cast<double>(total) *
                                                  ProgressDialog::kSteps);
  d.dialog->setValue(std::min(value, ProgressDialog::kSteps));
  return true;
}

bool TProgress::Step(std::size_t done, std::size_t total) {
  Impl& d = *impl_;
  if (d.cancelled) return false;
  if (!d.Show(done, total)) return true;
  // Paint and take input (the modal window only lets the cancel through)
  // a few dozen times a second, not at every step.
  if (!d.painted.isValid() || d.painted.elapsed() >= 30) {
    QCoreApplication::processEvents();
    d.painted.start();
  }
  if (d.dialog && d.dialog->wasCanceled()) d.cancelled = true;
  return !d.cancelled;
}

bool TProgress::Shown() const { return impl_->shown; }

void TProgress::SetWorkerHookForTesting(std::function<void()> hook) { WorkerHook() = std::move(hook); }

// The work runs on a thread of its own, which ends the nested event loop
// with a queued quit when it is done; a timer only moves the bar. (Qt's
// thread pool, behind QtConcurrent::run, hands the work over through
// synchronisation that a ThreadSanitizer build of this program cannot see,
// since Qt itself is not built with it; a thread's start and join, and the
// atomics here, it sees.) What the work leaves behind is the caller's after
// the join.
bool TProgress::RunInWorker(const std::function<void(const TReport& report)>& work) {
  Impl& d = *impl_;
  if (d.cancelled) return false;
  InputGate gate(d.dialog);
  QCoreApplication::instance()->installEventFilter(&gate);
  const std::function<void()> hook = WorkerHook();
  std::atomic<std::size_t> done{0};
  std::atomic<std::size_t> total{0};  // 0: no total reported (yet)
  std::atomic<bool> cancel{false};
  std::atomic<bool> finished{false};
  std::exception_ptr failure;
  QEventLoop loop;
  std::thread worker([&] {
    const TReport report = [&](std::size_t n, std::size_t of) {
      done.store(n, std::memory_order_relaxed);
      total.store(of, std::memory_order_relaxed);
      return !cancel.load(std::memory_order_relaxed);
    };
    // Nothing thrown may leave the thread: it is carried over and thrown here.
    try {
      if (hook) hook();
      work(report);
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  d.on_cancel = [&cancel] { cancel = true; };
  // The window appears once the work has lasted, as for Step; a work that
  // reports no total shows a busy bar.
  QTimer bar;
  QObject::connect(&bar, &QTimer::timeout, [&] {
    const std::size_t of = total.load(std::memory_order_relaxed);
    if (!d.Show(done.load(std::memory_order_relaxed), of)) return;
    if (of == 0 && d.dialog->maximum() != 0) d.dialog->setRange(0, 0);
    if (of != 0 && d.dialog->maximum() == 0) {
      d.dialog->setRange(0, ProgressDialog::kSteps);
      d.Show(done.load(std::memory_order_relaxed), of);
    }
  });
  bar.start(25);
  loop.exec();
  // Left before the work ended only when the application is quitting: the
  // work is stopped, and its result is not taken.
  if (!finished) {
    cancel = true;
    d.cancelled = true;
  }
  worker.join();
  bar.stop();
  d.on_cancel = nullptr;
  QCoreApplication::instance()->removeEventFilter(&gate);
  if (d.cancel_pressed) d.cancelled = true;
  if (failure) std::rethrow_exception(failure);
  return !d.cancelled;
}
