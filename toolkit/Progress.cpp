// TProgress: a worker thread or sliced work on the GUI thread, an input gate
// that keeps the windows from taking input meanwhile, and a progress dialog
// that appears only when the work lasts.
#include "toolkit/Progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "toolkit/Toolkit.h"
#include "toolkit/Widgets.h"

namespace {

constexpr int kDefaultDelayMs = 500;
constexpr int kSteps = 1000;
int g_delay_ms = kDefaultDelayMs;

std::function<void()>& WorkerHook() {
  static std::function<void()> hook;
  return hook;
}

// Drops the input meant for any widget but the progress dialog's.
class InputGate : public QObject {
public:
  QPointer<QWidget> allowed;
  bool allow_close = true;  // of the dialog: a close is a cancel

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
        if (!event->spontaneous()) return false;
        break;
      default:
        return false;
    }
    // Input comes from the window system to a window first (where a press
    // would already move the focus), then to its widgets: both are held.
    bool in_dialog = false;
    if (watched->isWindowType()) {
      if (event->type() == QEvent::Close) return false;  // the widget's close decides
      in_dialog = allowed && allowed->windowHandle() == static_cast<QWindow*>(watched);
    } else if (auto* widget = qobject_cast<QWidget*>(watched)) {
      in_dialog = allowed && (widget == allowed || allowed->isAncestorOf(widget));
    } else {
      return false;
    }
    if (in_dialog && (event->type() != QEvent::Close || allow_close)) return false;
    event->ignore();
    return true;
  }
};

}  // namespace

struct TProgress::Impl {
  TForm* owner = nullptr;
  QString label;
  QElapsedTimer clock;
  InputGate gate;
  std::unique_ptr<QProgressDialog> dialog;
  std::atomic<bool> cancelled{false};
  std::atomic<int> permille{0};
  bool cancellable = true;

  void Update() {
    if (!dialog && clock.elapsed() >= g_delay_ms) {
      QWidget* parent = owner ? owner->Widget() : nullptr;
      dialog = std::make_unique<QProgressDialog>(label, QStringLiteral("Cancelar"), 0, kSteps, parent);
      dialog->setWindowTitle(owner ? tk::Q(owner->Caption()) : QString());
      dialog->setWindowModality(Qt::ApplicationModal);
      dialog->setMinimumDuration(0);
      dialog->setAutoClose(false);
      dialog->setAutoReset(false);
      if (!cancellable) dialog->setCancelButton(nullptr);
      QObject::connect(dialog.get(), &QProgressDialog::canceled, [this] {
        if (cancellable) cancelled = true;
      });
      gate.allowed = dialog.get();
      gate.allow_close = cancellable;
      dialog->show();
    }
    if (dialog && !cancelled) dialog->setValue(permille.load());
  }
};

TProgress::TProgress(TForm* owner, std::string_view label) : impl_(std::make_unique<Impl>()) {
  impl_->owner = owner;
  impl_->label = tk::Q(label);
  impl_->clock.start();
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(&impl_->gate);
}

TProgress::~TProgress() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(&impl_->gate);
  const bool shown = impl_->dialog != nullptr;
  impl_->dialog.reset();
  if (shown && impl_->owner && impl_->owner->Widget()->isVisible()) impl_->owner->Widget()->activateWindow();
}

bool TProgress::RunInWorker(const std::function<void(const TReport& report)>& work) {
  Impl& d = *impl_;
  if (d.cancelled) return false;
  QEventLoop loop;
  std::atomic<bool> finished{false};
  std::exception_ptr failure;
  const TReport report = [&d](double fraction) {
    d.permille = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kSteps);
    return !d.cancelled.load();
  };
  const std::function<void()> hook = WorkerHook();
  // Nothing thrown may leave the thread: it is carried over and thrown here.
  std::thread worker([&] {
    try {
      if (hook) hook();
      work(report);
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  QTimer poll;
  poll.setInterval(25);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    d.Update();
    if (finished) loop.quit();
  });
  poll.start();
  if (!finished) loop.exec();
  // Left early only when the application is quitting: stop the work.
  if (!finished) d.cancelled = true;
  worker.join();
  poll.stop();
  if (failure) std::rethrow_exception(failure);
  return !d.cancelled;
}

bool TProgress::Step(double fraction) {
  impl_->permille = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kSteps);
  impl_->Update();
  QCoreApplication::processEvents();
  return !impl_->cancelled;
}

void TProgress::SetCancellable(bool cancellable) {
  impl_->cancellable = cancellable;
  impl_->gate.allow_close = cancellable;
  if (impl_->dialog && !cancellable) impl_->dialog->setCancelButton(nullptr);
}

bool TProgress::Cancelled() const { return impl_->cancelled; }

void TProgress::SetDelayForTesting(int milliseconds) {
  g_delay_ms = milliseconds < 0 ? kDefaultDelayMs : milliseconds;
}

void TProgress::SetWorkerHookForTesting(std::function<void()> hook) { WorkerHook() = std::move(hook); }
