#pragma once
// Work that may take long, without freezing the windows.
//
// While a TProgress exists the program's windows keep painting but take no
// input: clicks, keys, drops and the close button wait for nobody and are
// dropped, so no handler runs in the middle of the work. When the work has
// taken about half a second, a progress dialog appears over the owner with a
// bar and "Cancelar".
//
//   TProgress progress(form, "Abrindo o caso...");
//   bool done = progress.RunInWorker([&](const TProgress::TReport& report) {
//     for (...) { if (!report(fraction)) return; ... }   // false: cancelled
//   });
//   progress.SetCancellable(false);
//   while (...) progress.Step(fraction);   // GUI work in slices

#include <functional>
#include <memory>
#include <string_view>

class TForm;

class TProgress {
public:
  TProgress(TForm* owner, std::string_view label);
  ~TProgress();
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  // Reports a fraction (0..1) of the work; false once the user cancelled.
  // Safe to call from the worker thread.
  using TReport = std::function<bool(double fraction)>;

  // Runs work on a worker thread and lets the event loop run until it ends.
  // An exception thrown by work is thrown again here, on the calling thread.
  // Returns false when the user cancelled.
  bool RunInWorker(const std::function<void(const TReport& report)>& work);

  // Between slices of work done on this thread: moves the bar and lets the
  // event loop run once. Returns false once the user cancelled.
  bool Step(double fraction);

  // Whether "Cancelar" is offered (it is at first).
  void SetCancellable(bool cancellable);
  bool Cancelled() const;

  // Tests: the delay before the dialog appears (500 ms unless set; a
  // negative value restores it), and a hook the worker runs before the work.
  static void SetDelayForTesting(int milliseconds);
  static void SetWorkerHookForTesting(std::function<void()> hook);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
