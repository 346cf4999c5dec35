// Saving either replaces the case file whole or leaves it exactly as it was.
// Faults are injected at every step, the way storage engines test their file
// layer: a save is repeated with the fault moved one operation further each
// time, until the save gets through without meeting it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/FileSink.h"

namespace {

namespace fs = std::filesystem;

const std::string kOld = "conteúdo anterior do caso\r\n";
// The message names the file and its folder (the test's current folder).
std::string Prefix() {
  return "Não foi possível gravar o arquivo \"caso.dad\" na pasta \"" +
         std::filesystem::current_path().string() + "\": ";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TCaseData Case(int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    d.SetDuration(k, 1.5 * k);
    d.SetLoad(k, 100.0 + k);
  }
  return d;
}

class FileSinkTest : public testing::Test {
protected:
  void SetUp() override {
    old_ = fs::current_path();
    char pattern[] = "/tmp/zk_file_sink_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::current_path(dir_);
    PutOld();
  }
  void TearDown() override {
    FileSystemCalls() = RealFileSystemCalls();
    fs::current_path(old_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  void PutOld() {
    std::ofstream out("caso.dad", std::ios::binary | std::ios::trunc);
    out << kOld;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // One save's outcome: either an error and everything as before, or
  // success and exactly the expected bytes. Returns true on success.
  bool CheckOutcome(const std::vector<std::string>& messages, const std::string& expected) {
    EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"}) << "temporary file left behind";
    if (messages.empty()) {
      EXPECT_EQ(ReadFile("caso.dad"), expected);
      return true;
    }
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(Prefix(), 0), 0u) << messages[0];
    EXPECT_GT(messages[0].size(), Prefix().size() + 1) << "no reason given";
    EXPECT_EQ(ReadFile("caso.dad"), kOld);
    return false;
  }
  fs::path old_;
  fs::path dir_;
};

// Wraps a sink and fails its N-th operation (Open, each Write, Commit).
class TFailingSink final : public TFileSink {
public:
  TFailingSink(TFileSink& inner, int fail_at) : inner_(inner), fail_at_(fail_at) {}
  bool Open(const std::string& path) override { return Step() && inner_.Open(path); }
  bool Write(const char* data, std::size_t size) override {
    return Step() && inner_.Write(data, size);
  }
  bool Commit() override { return Step() && inner_.Commit(); }
  void Abort() override { inner_.Abort(); }
  const std::string& Error() const override { return failed_ ? error_ : inner_.Error(); }
  int operations() const { return count_; }

private:
  bool Step() {
    if (++count_ != fail_at_) return true;
    failed_ = true;
    return false;
  }
  TFileSink& inner_;
  int fail_at_;
  int count_ = 0;
  bool failed_ = false;
  std::string error_ = "falha simulada";
};

TEST_F(FileSinkTest, FailureAtEveryOperationOfTheSink) {
  // About 2.5 MB: several chunks, so several writes.
  const TCaseData d = Case(10000);
  const std::string expected = FormatCaseFileToString(d, "caso");
  ASSERT_GT(expected.size(), 2u << 20);
  int failures = 0;
  for (int n = 1; n < 100; ++n) {
    SCOPED_TRACE(n);
    PutOld();
    auto real = MakeAtomicFileSink();
    TFailingSink sink(*real, n);
    const std::vector<std::string> messages = WriteCaseFile(d, "caso", "caso", {}, &sink);
    if (CheckOutcome(messages, expected)) {
      EXPECT_EQ(n, sink.operations() + 1);
      break;
    }
    EXPECT_NE(messages[0].find("falha simulada"), std::string::npos);
    ++failures;
  }
  EXPECT_GE(failures, 5);  // Open, three or more writes, Commit
}

// Real system calls with one of them failing on its N-th use.
struct TInjection {
  enum Kind { kMkstemp, kWrite, kShortThenNoSpace, kZeroWrite, kFsync, kClose, kRename,
              kFchmod, kStat, kOpenFolder };
  Kind kind;
  int fail_at;
  int error;
  int calls = 0;
  bool hit = false;
};
TInjection* g_injection = nullptr;

bool Hit(TInjection::Kind kind) {
  TInjection* j = g_injection;
  if (j == nullptr || j->kind != kind || ++j->calls != j->fail_at) return false;
  j->hit = true;
  return true;
}

int FakeMkstemp(char* name) {
  if (Hit(TInjection::kMkstemp)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().mkstemp(name);
}
ssize_t FakeWrite(int fd, const void* data, std::size_t size) {
  TInjection* j = g_injection;
  if (j != nullptr && j->kind == TInjection::kShortThenNoSpace) {
    ++j->calls;
    if (j->calls == j->fail_at && size > 1) {
      j->hit = true;
      return RealFileSystemCalls().write(fd, data, size / 2);  // short
    }
    if (j->calls == j->fail_at + 1 && j->hit) return errno = ENOSPC, -1;
    return RealFileSystemCalls().write(fd, data, size);
  }
  if (Hit(TInjection::kWrite)) return errno = g_injection->error, -1;
  if (Hit(TInjection::kZeroWrite)) return 0;
  return RealFileSystemCalls().write(fd, data, size);
}
int FakeFsync(int fd) {
  if (Hit(TInjection::kFsync)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().fsync(fd);
}
int FakeClose(int fd) {
  const int rc = RealFileSystemCalls().close(fd);  // the descriptor goes anyway
  if (Hit(TInjection::kClose)) return errno = g_injection->error, -1;
  return rc;
}
int FakeRename(const char* from, const char* to) {
  if (Hit(TInjection::kRename)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().rename(from, to);
}
int FakeFchmod(int fd, mode_t mode) {
  if (Hit(TInjection::kFchmod)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().fchmod(fd, mode);
}
int FakeStat(const char* path, struct stat* info) {
  if (Hit(TInjection::kStat)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().stat(path, info);
}
int FakeOpen(const char* path, int flags) {
  if (Hit(TInjection::kOpenFolder)) return errno = g_injection->error, -1;
  return RealFileSystemCalls().open(path, flags);
}

void InstallFakes() {
  TFileSystemCalls& c = FileSystemCalls();
  c.mkstemp = FakeMkstemp;
  c.write = FakeWrite;
  c.fsync = FakeFsync;
  c.close = FakeClose;
  c.rename = FakeRename;
  c.fchmod = FakeFchmod;
  c.stat = FakeStat;
  c.open = FakeOpen;
}

TEST_F(FileSinkTest, FailureAtEverySystemCallOfTheRealSink) {
  struct {
    const char* name;
    TInjection::Kind kind;
    int error;
    const char* reason;  // part of the message when the save fails
    int fatal_calls;     // a failure of calls 1..fatal_calls must be reported;
                         // later calls (the folder's sync and close, after the
                         // rename) may fail without harm
  } const rows[] = {
      {"mkstemp EMFILE", TInjection::kMkstemp, EMFILE, "arquivos abertos demais", 1},
      {"write ENOSPC", TInjection::kWrite, ENOSPC, "não há espaço livre no disco", 1000},
      {"write EIO", TInjection::kWrite, EIO, "erro de entrada e saída", 1000},
      {"short write then ENOSPC", TInjection::kShortThenNoSpace, ENOSPC, "espaço livre", 1000},
      {"write returns 0", TInjection::kZeroWrite, 0, "não aceitou mais dados", 1000},
      {"fsync EIO", TInjection::kFsync, EIO, "erro de entrada e saída", 1},
      {"close EIO", TInjection::kClose, EIO, "erro de entrada e saída", 1},
      {"rename EXDEV", TInjection::kRename, EXDEV, "outro disco", 1},
      {"rename EACCES", TInjection::kRename, EACCES, "permissão negada", 1},
      {"fchmod EPERM is harmless", TInjection::kFchmod, EPERM, "", 0},
      {"stat EACCES is harmless", TInjection::kStat, EACCES, "", 0},
      {"folder open EMFILE is harmless", TInjection::kOpenFolder, EMFILE, "", 0},
  };
  const TCaseData d = Case(6000);
  const std::string expected = FormatCaseFileToString(d, "caso");
  InstallFakes();
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    int failures = 0;
    for (int n = 1; n < 100; ++n) {
      SCOPED_TRACE(n);
      PutOld();
      TInjection injection{r.kind, n, r.error};
      g_injection = &injection;
      const std::vector<std::string> messages = WriteCaseFile(d, "caso", "caso");
      g_injection = nullptr;
      const bool saved = CheckOutcome(messages, expected);
      if (!injection.hit) {
        EXPECT_TRUE(saved);
        break;
      }
      if (n <= r.fatal_calls) {
        ASSERT_FALSE(saved);
        EXPECT_NE(messages[0].find(r.reason), std::string::npos) << messages[0];
        ++failures;
      } else {
        EXPECT_TRUE(saved) << (messages.empty() ? "" : messages[0]);
      }
    }
    if (r.fatal_calls > 0) {
      EXPECT_GE(failures, 1);
    }
  }
}

TEST_F(FileSinkTest, InterruptedAndShortWritesStillSaveEverything) {
  struct TState {
    int calls = 0;
  };
  static TState state;
  state = {};
  FileSystemCalls().write = [](int fd, const void* data, std::size_t size) -> ssize_t {
    if (++state.calls % 3 == 0) return errno = EINTR, -1;
    return RealFileSystemCalls().write(fd, data, size < 4093 ? size : 4093);
  };
  const TCaseData d = Case(3000);
  const std::string expected = FormatCaseFileToString(d, "caso");
  EXPECT_TRUE(WriteCaseFile(d, "caso", "caso").empty());
  EXPECT_EQ(ReadFile("caso.dad"), expected);
  EXPECT_GT(state.calls, 200);
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});
}

TEST_F(FileSinkTest, AbortLeavesTargetAndNoTemporaryFile) {
  auto sink = MakeAtomicFileSink();
  ASSERT_TRUE(sink->Open("caso.dad"));
  EXPECT_EQ(Entries().size(), 2u);  // the target and the temporary file
  ASSERT_TRUE(sink->Write("novo", 4));
  sink->Abort();
  sink->Abort();
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});
  EXPECT_EQ(ReadFile("caso.dad"), kOld);
  EXPECT_FALSE(sink->Write("x", 1));
  EXPECT_FALSE(sink->Commit());
  EXPECT_FALSE(sink->Error().empty());
}

TEST_F(FileSinkTest, TemporaryFileSitsBesideTheTarget) {
  fs::create_directory("sub");
  auto sink = MakeAtomicFileSink();
  ASSERT_TRUE(sink->Open("sub/alvo.dad"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator("sub")) names.push_back(e.path().filename());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind(".alvo.dad.", 0), 0u) << names[0];
  ASSERT_TRUE(sink->Write("abc\r\n", 5));
  ASSERT_TRUE(sink->Commit());
  EXPECT_EQ(ReadFile("sub/alvo.dad"), "abc\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("sub"), fs::directory_iterator()), 1);
}

TEST_F(FileSinkTest, MissingFolderIsReported) {
  auto sink = MakeAtomicFileSink();
  EXPECT_FALSE(sink->Open("nao_existe/caso.dad"));
  EXPECT_EQ(sink->Error(), "a pasta não existe");
}

// The real operating system refusing to grow the file: a child process
// with a small file-size limit and SIGXFSZ ignored, so write() fails with
// EFBIG after a short write.
TEST_F(FileSinkTest, FileSizeLimitInAChildProcess) {
  const TCaseData d = Case(4000);  // about 1 MB
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {64 * 1024, 64 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(10);
    const std::vector<std::string> messages = WriteCaseFile(d, "caso", "caso");
    if (messages.size() != 1) _exit(11);
    if (messages[0].rfind(Prefix(), 0) != 0) _exit(12);
    if (messages[0].find("tamanho máximo") == std::string::npos) _exit(13);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "child died by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile("caso.dad"), kOld);
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});
  // Without the limit the same save goes through.
  EXPECT_TRUE(WriteCaseFile(d, "caso", "caso").empty());
  EXPECT_EQ(ReadFile("caso.dad"), FormatCaseFileToString(d, "caso"));
}

}  // namespace
