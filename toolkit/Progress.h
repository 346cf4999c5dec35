#pragma once
// Progress of long work done inside a handler: a modal progress window that
// appears only once the work has taken a moment (short work shows nothing)
// and keeps the program's windows painted while the work goes on.

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

class TForm;

class TProgress {
public:
  // The window opens over owner. A cancellable one has a "Cancelar" button
  // (and Escape, and its close button); the others cannot be stopped.
  TProgress(const TForm* owner, std::string_view label, bool cancellable);
  ~TProgress();
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  // Reports done of total. Returns false once the user has cancelled.
  bool Step(std::size_t done, std::size_t total);
  // Long work on a worker thread instead: the event loop runs meanwhile, so
  // the windows keep painting, but they take no input (clicks, keys, drops
  // and their close buttons are dropped) except the progress window's, which
  // appears as for Step (with a busy bar while the work has reported no
  // total). work reports through its argument, which returns false once the
  // user has cancelled; what work throws is thrown again here, on the
  // calling thread. Returns false when cancelled. The work must not touch
  // the windows nor read what the window thread may change meanwhile (the
  // window's decimal separator included): give it copies.
  //   progress.RunInWorker([&](const TProgress::TReport& report) {
  //     for (...) if (!report(done, total)) return;
  //   });
  using TReport = std::function<bool(std::size_t done, std::size_t total)>;
  bool RunInWorker(const std::function<void(const TReport& report)>& work);

  // Whether the window has been on screen at some point.
  bool Shown() const;

  // How long work runs before the window appears (300 ms). Tests set it to
  // 0 so that the window appears whatever the machine's speed.
  static int DelayMs();
  static void SetDelayMsForTesting(int ms);
  // Tests: runs on the worker thread before the work.
  static void SetWorkerHookForTesting(std::function<void()> hook);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
