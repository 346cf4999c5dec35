#pragma once
// What the benchmarks share: one reproducible case of n intervals (the same
// bytes in every benchmark) and the process's peak resident memory.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "case/CaseData.h"

extern char** environ;

namespace bench {

// Durations 1.00 .. 24.00 h and loads 100 .. 9100 MW from a fixed linear
// congruential sequence, and a few plant values that widen no field.
inline void FillCase(TCaseData& d, int32_t n) {
  (void)d.Create(n);
  uint64_t s = 12345;
  for (int32_t k = 1; k <= n; ++k) {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    (void)d.SetDuration(k, static_cast<double>(100 + (s >> 40) % 2300) / 100.0);
    (void)d.SetLoad(k, static_cast<double>(10000 + (s >> 20) % 900000) / 100.0);
  }
  d.base = 100;
  d.c0 = 120.5;
  d.c = 2.25;
  d.q = 0.0125;
  d.Ptmax = 4000;
  d.Phmax = 6000;
  d.Vtot = 123456.78;
}

// What a report says beside a target: "met" or "not met", or "not measured"
// when the figure is missing (its benchmark filtered out: 0 or below).
inline const char* Verdict(double figure, bool met) {
  return figure <= 0 ? "not measured" : met ? "met" : "not met";
}

// Peak resident set size (VmHWM) in KiB, or -1 where /proc does not say.
inline long PeakKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
  }
  std::fclose(f);
  return kib;
}

// Runs body(marks) in a fresh child process, where body pushes peak-memory
// readings (PeakKiB()) into marks, or -1 for a failed step; returns the
// child's marks (count of them), or an empty vector when the child failed.
template <class Body>
std::vector<long> PeakMarksInChild(std::size_t count, Body body) {
  int pipe_fd[2];
  if (pipe(pipe_fd) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fd[0]);
    std::vector<long> marks;
    body(marks);
    marks.resize(count, -1);
    const auto size = static_cast<ssize_t>(count * sizeof(long));
    _exit(write(pipe_fd[1], marks.data(), static_cast<std::size_t>(size)) == size ? 0 : 1);
  }
  close(pipe_fd[1]);
  std::vector<long> marks(count, -1);
  const auto size = static_cast<ssize_t>(count * sizeof(long));
  const bool got = read(pipe_fd[0], marks.data(), static_cast<std::size_t>(size)) == size;
  close(pipe_fd[0]);
  waitpid(child, nullptr, 0);
  for (long m : marks)
    if (m < 0) return {};
  return got ? marks : std::vector<long>{};
}

// Runs `program` with `args` (argv[0] is the program) and returns the first
// line it prints on its standard output, or "" when it could not be started
// or printed nothing. A program with a Qt application cannot fork safely,
// so a measurement that needs a fresh process runs a program anew.
inline std::string OutputOf(const std::string& program, std::vector<std::string> args) {
  int pipe_fd[2];
  if (pipe(pipe_fd) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fd[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fd[0]);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fd[1]);
  std::string out;
  char buffer[256];
  for (ssize_t got; rc == 0 && (got = read(pipe_fd[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(got));
  close(pipe_fd[0]);
  if (rc == 0) waitpid(pid, nullptr, 0);
  return out.substr(0, out.find('\n'));
}

// Takes "--intervals=N" out of the command line (the rest goes on to Google
// Benchmark) and makes a fresh folder under $TMPDIR (or /tmp); false when
// the folder cannot be made.
inline bool StartUp(int argc, char** argv, const char* name, int32_t* intervals,
                    std::vector<char*>* rest, std::string* folder) {
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--intervals=", 12) == 0) {
      *intervals = std::atoi(argv[i] + 12);
    } else {
      rest->push_back(argv[i]);
    }
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/" + name + "_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    std::perror("mkdtemp");
    return false;
  }
  *folder = buffer.data();
  return true;
}

}  // namespace bench
