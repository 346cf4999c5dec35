// TProgress: a QProgressDialog made on demand, modal while it is shown.
#include "toolkit/Progress.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

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

bool TProgress::Step(std::size_t done, std::size_t total) {
  Impl& d = *impl_;
  if (d.cancelled) return false;
  if (!d.dialog) {
    if (d.shown || d.started.elapsed() < delay_ms) return true;
    d.dialog = new ProgressDialog(d.label, d.cancellable, d.owner);
    d.dialog->setWindowTitle(QStringLiteral("ZORMEK GUI"));
    d.dialog->setWindowModality(Qt::ApplicationModal);
    d.dialog->setMinimumDuration(0);
    d.dialog->setAutoClose(false);
    d.dialog->setAutoReset(false);
    d.dialog->show();
    d.shown = true;
    d.painted.invalidate();
  }
  const int value = total == 0 ? 0
                               : static_cast<int>(static_cast<double>(done) / static_cast<double>(total) *
                                                  ProgressDialog::kSteps);
  d.dialog->setValue(std::min(value, ProgressDialog::kSteps));
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
