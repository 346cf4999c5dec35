// main() of every GUI test: the offscreen platform unless one is chosen (one
// 1280 x 1024 screen), the C.UTF-8 locale unless one is chosen, the
// application object as the program has it, and a watchdog that ends a test
// caught in an unexpected modal loop instead of letting the run hang.
#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>

#include "toolkit/Application.h"

namespace {

// ZK_TEST_TIME_LIMIT (seconds) gives tests that drive another program, such
// as a real spreadsheet, the time it takes to start.
const std::chrono::seconds kTestTimeLimit(qEnvironmentVariableIntValue("ZK_TEST_TIME_LIMIT") > 0
                                              ? qEnvironmentVariableIntValue("ZK_TEST_TIME_LIMIT")
                                              : 60);

class Watchdog : public ::testing::EmptyTestEventListener {
public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() override {
    stop_ = true;
    thread_.join();
  }
  void OnTestStart(const ::testing::TestInfo& info) override {
    std::lock_guard lock(mutex_);
    name_ = std::string(info.test_suite_name()) + "." + info.name();
    deadline_ = std::chrono::steady_clock::now() + kTestTimeLimit;
    running_ = true;
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::lock_guard lock(mutex_);
    running_ = false;
  }

private:
  void Watch() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      std::lock_guard lock(mutex_);
      if (running_ && std::chrono::steady_clock::now() > deadline_) {
        std::fprintf(stderr, "\nwatchdog: %s ran longer than %lld s (a modal loop left open?); aborting\n",
                     name_.c_str(), static_cast<long long>(kTestTimeLimit.count()));
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  }
  std::mutex mutex_;
  std::string name_;
  std::chrono::steady_clock::time_point deadline_{};
  bool running_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", ZK_OFFSCREEN_PLATFORM);
  if (qEnvironmentVariableIsEmpty("LC_ALL")) qputenv("LC_ALL", "C.UTF-8");
  // A private runtime folder (mode 0700, made by the build), or Qt warns at
  // every start.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", ZK_TEST_RUNTIME_DIR);
  ::testing::InitGoogleTest(&argc, argv);
  // ctest lists the tests before running them; a list needs no window
  // system (nor its start-up warnings on the console).
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  TApplication application(argc, argv);
  application.Initialize();
  application.SetTitle("ZORMEK_GUI");
  ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
  return RUN_ALL_TESTS();
}
