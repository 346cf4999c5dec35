#pragma once
// Progress of long work done inside a handler: a modal progress window that
// appears only once the work has taken a moment (short work shows nothing)
// and keeps the program's windows painted while the work goes on.

#include <cstddef>
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
  // Whether the window has been on screen at some point.
  bool Shown() const;

  // How long work runs before the window appears (300 ms). Tests set it to
  // 0 so that the window appears whatever the machine's speed.
  static int DelayMs();
  static void SetDelayMsForTesting(int ms);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
