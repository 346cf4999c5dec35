// Saving either replaces the case file whole or leaves it exactly as it was.
// Faults are injected at every step, the way storage engines test their file
// layer: a save is repeated with the fault moved one operation further each
// time, until the save gets through without meeting it.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
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
#include <type_traits>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "tests/case/StatusText.h"
#include "case/FileSink.h"

namespace {

namespace fs = std::filesystem;

const std::string kOld = "conteúdo anterior do caso\r\n";
// The message names the file and its folder (the test's current folder).
std::string Prefix() {
  return "Não foi possível gravar o arquivo \"caso.dad\" na pasta \"" +
         fs::current_path().string() + "\": ";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TCaseData Case(int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    EXPECT_TRUE(d.SetDuration(k, 1.5 * k));
    EXPECT_TRUE(d.SetLoad(k, 100.0 + k));
  }
  return d;
}

// The file's status, symbolic links followed.
struct stat Stat(const fs::path& path) {
  struct stat info = {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

// Everything below a folder, sorted: symbolic links with "@" and their
// text, files with several names with "#" and their count.
std::vector<std::string> Tree(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    std::string name = e.path().lexically_relative(dir).string();
    if (e.is_symlink()) {
      name += " @" + fs::read_symlink(e.path()).string();
    } else if (e.is_regular_file() && e.hard_link_count() > 1) {
      name += " #" + std::to_string(e.hard_link_count());
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Each test runs in a fresh folder of its own, which other users may enter,
// holding the old "caso.dad"; the real system calls come back afterwards.
class FileSinkTest : public testing::Test {
protected:
  void SetUp() override {
    old_ = fs::current_path();
    char pattern[] = "/tmp/zk_file_sink_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_EQ(chmod(pattern, 0755), 0);
    fs::current_path(pattern);
    dir_ = fs::current_path();
    PutOld();
  }
  void TearDown() override {
    FileSystemCalls() = RealFileSystemCalls();
    fs::current_path(old_);
    std::error_code ignored;
    for (const auto& e : fs::recursive_directory_iterator(dir_, ignored)) {
      if (!e.is_symlink(ignored) && e.is_directory(ignored)) chmod(e.path().c_str(), 0755);
    }
    fs::remove_all(dir_, ignored);
  }
  void PutOld() { WriteFile("caso.dad", kOld); }
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
  TStatus Open(const std::string& path) override {
    if (TStatus s = Step(); !s) return s;
    return inner_.Open(path);
  }
  TStatus Write(const char* data, std::size_t size) override {
    if (TStatus s = Step(); !s) return s;
    return inner_.Write(data, size);
  }
  TStatus Commit() override {
    if (TStatus s = Step(); !s) return s;
    return inner_.Commit();
  }
  void Abort() override { inner_.Abort(); }
  int operations() const { return count_; }

private:
  TStatus Step() {
    if (++count_ != fail_at_) return {};
    return MakeError(TErrc::FileWrite, "falha simulada");
  }
  TFileSink& inner_;
  int fail_at_;
  int count_ = 0;
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
    const std::vector<std::string> messages = MessagesOf(WriteCaseFile(d, "caso", "caso", {}, &sink));
    if (CheckOutcome(messages, expected)) {
      EXPECT_EQ(n, sink.operations() + 1);
      break;
    }
    EXPECT_NE(messages[0].find("falha simulada"), std::string::npos);
    ++failures;
  }
  EXPECT_GE(failures, 5);  // Open, three or more writes, Commit
}

// Real system calls with one of them failing on its N-th use. The opens
// are told apart by what they open: a step of the path (O_PATH), the
// unnamed or the named temporary file, the folder (for its sync) or the
// target itself (written in place).
struct TInjection {
  enum Kind { kOpenStep, kOpenTemporary, kOpenNamed, kOpenFolder, kOpenTarget, kWrite, kShortThenNoSpace,
              kZeroWrite, kFtruncate, kFsync, kFchmod, kFchown, kClose, kLinkat, kRenameat, kUnlinkat,
              kFstat, kReadlinkat, kFaccessat, kKinds };
  Kind kind;
  int fail_at;
  int error;
  int calls = 0;
  bool hit = false;
};
TInjection* g_injection = nullptr;

// Conditions of the machine rather than faults: a file system without
// unnamed files, a folder this process may not write into.
struct TConditions {
  bool no_unnamed_files = false;
  bool folders_locked = false;
} g_conditions;

bool Hit(TInjection::Kind kind) {
  TInjection* j = g_injection;
  if (j == nullptr || j->kind != kind || ++j->calls != j->fail_at) return false;
  j->hit = true;
  return true;
}
int Refuse(int error) { return errno = error, -1; }

int FakeOpenAt(int folder, const char* path, int flags, mode_t mode) {
  const bool temporary = (flags & O_TMPFILE) == O_TMPFILE;
  const TInjection::Kind kind = temporary                   ? TInjection::kOpenTemporary
                                : (flags & O_PATH) != 0      ? TInjection::kOpenStep
                                : (flags & O_CREAT) != 0     ? TInjection::kOpenNamed
                                : (flags & O_DIRECTORY) != 0 ? TInjection::kOpenFolder
                                                             : TInjection::kOpenTarget;
  if (Hit(kind)) return Refuse(g_injection->error);
  if (temporary && g_conditions.no_unnamed_files) return Refuse(EOPNOTSUPP);
  if ((temporary || kind == TInjection::kOpenNamed) && g_conditions.folders_locked) return Refuse(EACCES);
  return RealFileSystemCalls().openat(folder, path, flags, mode);
}
ssize_t FakeWrite(int fd, const void* data, std::size_t size) {
  TInjection* j = g_injection;
  if (j != nullptr && j->kind == TInjection::kShortThenNoSpace) {
    ++j->calls;
    if (j->calls == j->fail_at && size > 1) {
      j->hit = true;
      return RealFileSystemCalls().write(fd, data, size / 2);  // short
    }
    if (j->calls == j->fail_at + 1 && j->hit) return Refuse(ENOSPC);
    return RealFileSystemCalls().write(fd, data, size);
  }
  if (Hit(TInjection::kWrite)) return Refuse(g_injection->error);
  if (Hit(TInjection::kZeroWrite)) return 0;
  return RealFileSystemCalls().write(fd, data, size);
}
// The calls that only fail when told to.
template <TInjection::Kind kKind, auto kCall, typename TPointer>
struct TFake;
template <TInjection::Kind kKind, auto kCall, typename R, typename... A>
struct TFake<kKind, kCall, R (*)(A...)> {
  static R Call(A... args) {
    if (Hit(kKind)) return Refuse(g_injection->error);
    return (RealFileSystemCalls().*kCall)(args...);
  }
};
template <TInjection::Kind kKind, auto kCall>
constexpr auto kFake =
    TFake<kKind, kCall, std::remove_cvref_t<decltype(RealFileSystemCalls().*kCall)>>::Call;

int FakeClose(int fd) {
  const int rc = RealFileSystemCalls().close(fd);  // the descriptor goes anyway
  if (Hit(TInjection::kClose)) return Refuse(g_injection->error);
  return rc;
}
int FakeFaccessat(int folder, const char* path, int mode, int flags) {
  if (Hit(TInjection::kFaccessat)) return Refuse(g_injection->error);
  if (g_conditions.folders_locked && (mode & W_OK) != 0 && std::string(path) == ".") return Refuse(EACCES);
  return RealFileSystemCalls().faccessat(folder, path, mode, flags);
}

void InstallFakes() {
  TFileSystemCalls& c = FileSystemCalls();
  using T = TInjection;
  using C = TFileSystemCalls;
  c.openat = FakeOpenAt;
  c.fstat = kFake<T::kFstat, &C::fstat>;
  c.readlinkat = kFake<T::kReadlinkat, &C::readlinkat>;
  c.faccessat = FakeFaccessat;
  c.write = FakeWrite;
  c.ftruncate = kFake<T::kFtruncate, &C::ftruncate>;
  c.fsync = kFake<T::kFsync, &C::fsync>;
  c.fchmod = kFake<T::kFchmod, &C::fchmod>;
  c.fchown = kFake<T::kFchown, &C::fchown>;
  c.close = FakeClose;
  c.linkat = kFake<T::kLinkat, &C::linkat>;
  c.renameat = kFake<T::kRenameat, &C::renameat>;
  c.unlinkat = kFake<T::kUnlinkat, &C::unlinkat>;
}

TEST_F(FileSinkTest, FailureAtEverySystemCallOfTheRealSink) {
  struct {
    const char* name;
    TInjection::Kind kind;
    int error;
    const char* reason;  // part of the message when the save fails
    int fatal_calls;     // a failure of calls first_fatal..fatal_calls must be
                         // reported; others (closing a step of the path, the
                         // folder's sync and close after the rename) may fail
                         // without harm
    int first_fatal = 1;
  } const rows[] = {
      {"temporary open EMFILE", TInjection::kOpenTemporary, EMFILE, "arquivos abertos demais", 1},
      {"write ENOSPC", TInjection::kWrite, ENOSPC, "não há espaço livre no disco", 1000},
      {"write EIO", TInjection::kWrite, EIO, "erro de entrada e saída", 1000},
      {"short write then ENOSPC", TInjection::kShortThenNoSpace, ENOSPC, "espaço livre", 1000},
      {"write returns 0", TInjection::kZeroWrite, 0, "não aceitou mais dados", 1000},
      {"fsync EIO", TInjection::kFsync, EIO, "erro de entrada e saída", 1},
      {"close EIO", TInjection::kClose, EIO, "erro de entrada e saída", 2, 2},  // the file's, after the path's
      {"rename EXDEV", TInjection::kRenameat, EXDEV, "outro disco", 1},
      {"rename EACCES", TInjection::kRenameat, EACCES, "permissão negada", 1},
      {"path step EACCES", TInjection::kOpenStep, EACCES, "permissão negada", 2},
      {"fstat EIO", TInjection::kFstat, EIO, "erro de entrada e saída", 2},
      {"access to the file EROFS", TInjection::kFaccessat, EROFS, "somente para leitura", 1},
      {"fchmod EPERM is harmless", TInjection::kFchmod, EPERM, "", 0},
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
      const std::vector<std::string> messages = MessagesOf(WriteCaseFile(d, "caso", "caso"));
      g_injection = nullptr;
      const bool saved = CheckOutcome(messages, expected);
      if (!injection.hit) {
        EXPECT_TRUE(saved);
        break;
      }
      if (n >= r.first_fatal && n <= r.fatal_calls) {
        ASSERT_FALSE(saved);
        EXPECT_NE(messages[0].find(r.reason), std::string::npos) << messages[0];
        EXPECT_EQ(messages[0].find("incompleto"), std::string::npos) << messages[0];
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

// Every way a save goes (replacing the file through an unnamed or a named
// temporary file, through a symbolic link, writing it in place because it
// has two names or its folder takes no new file), with each system call
// failing in turn. Each save ends either with the new bytes in the file
// and every name where it was, or with one message and the old bytes
// untouched, or, only where the file is written in place, with a message
// that says the file may be incomplete.
TEST_F(FileSinkTest, FailureAtEverySystemCallOnEveryWayOfSaving) {
  // How the folder is laid out before each save.
  auto plain = [] { WriteFile("caso.dad", kOld); };
  auto hard_linked = [] {
    WriteFile("caso.dad", kOld);
    fs::create_hard_link("caso.dad", "outro.dad");
  };
  struct {
    const char* name;
    TConditions conditions;
    mode_t folder_mode;
    std::function<void()> put;
    bool in_place;
    std::string file;                // where the bytes go
    std::vector<std::string> same;   // other names that show what `file` shows
    std::vector<std::string> kept;   // other names that keep the old bytes
    std::vector<std::string> after;  // the folder after a save (empty: as before)
  } const ways[] = {
      {"unnamed temporary file", {}, 0755, plain, false, "caso.dad", {}, {}, {}},
      {"named temporary file", {true, false}, 0755, plain, false, "caso.dad", {}, {}, {}},
      {"new file", {}, 0755, [] {}, false, "caso.dad", {}, {}, {"caso.dad"}},
      {"new file, named temporary file", {true, false}, 0755, [] {}, false, "caso.dad", {}, {}, {"caso.dad"}},
      {"through a symbolic link", {}, 0755,
       [] {
         fs::create_directory("dados");
         WriteFile("dados/alvo.dad", kOld);
         fs::create_symlink("dados/alvo.dad", "caso.dad");
       },
       false, "dados/alvo.dad", {}, {}, {}},
      {"several hard links", {}, 0755, hard_linked, true, "caso.dad", {"outro.dad"}, {}, {}},
      {"folder takes no new file", {false, true}, 0755, plain, true, "caso.dad", {}, {}, {}},
      {"several hard links in a shared folder", {}, 01777, hard_linked, false, "caso.dad", {}, {"outro.dad"},
       {"caso.dad", "outro.dad"}},
  };
  const TCaseData d = Case(4000);  // about 1.1 MB: two chunks
  const std::string expected = FormatCaseFileToString(d, "caso");
  InstallFakes();
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    ASSERT_EQ(chmod(dir_.c_str(), way.folder_mode), 0);
    auto put_old = [&] {
      std::error_code ignored;
      for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path(), ignored);
      way.put();
    };
    put_old();
    const std::vector<std::string> tree = Tree(dir_);
    const bool existed = fs::exists(way.file);
    int failures = 0;
    int incomplete = 0;
    for (int kind = 0; kind < TInjection::kKinds; ++kind) {
      SCOPED_TRACE(kind);
      for (int n = 1; n < 100; ++n) {
        SCOPED_TRACE(n);
        put_old();
        const ino_t before = existed ? Stat(way.file).st_ino : 0;
        g_conditions = way.conditions;
        TInjection injection{static_cast<TInjection::Kind>(kind), n, EIO};
        g_injection = &injection;
        const std::vector<std::string> messages = MessagesOf(WriteCaseFile(d, "caso", "caso"));
        g_injection = nullptr;
        g_conditions = {};
        const std::string now = ReadFile(way.file);
        for (const auto& other : way.same) EXPECT_EQ(ReadFile(other), now) << other;
        for (const auto& other : way.kept) EXPECT_EQ(ReadFile(other), kOld) << other;
        if (messages.empty()) {
          EXPECT_EQ(Tree(dir_), way.after.empty() ? tree : way.after) << "a name left behind, lost or split";
          EXPECT_EQ(now, expected);
          // (A failing access() may rightly send a replacement in place.)
          if (way.in_place) {
            EXPECT_EQ(Stat(way.file).st_ino, before);
          } else if (!injection.hit && existed) {
            EXPECT_NE(Stat(way.file).st_ino, before);
          }
        } else {
          ++failures;
          EXPECT_EQ(Tree(dir_), tree) << "a name left behind, lost or split";
          ASSERT_EQ(messages.size(), 1u);
          EXPECT_EQ(messages[0].rfind(Prefix(), 0), 0u) << messages[0];
          EXPECT_EQ(messages[0].back(), '!');
          if (messages[0].find("pode ter ficado incompleto") != std::string::npos) {
            ++incomplete;
            EXPECT_TRUE(way.in_place) << messages[0];
          } else {
            EXPECT_EQ(now, existed ? kOld : "") << messages[0];
          }
        }
        if (!injection.hit) {
          EXPECT_TRUE(messages.empty()) << messages[0];
          break;
        }
      }
    }
    EXPECT_GE(failures, 10);
    // Emptied, then a write, the sync or the close failing.
    if (way.in_place) {
      EXPECT_GE(incomplete, 5);
    }
  }
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
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
  EXPECT_TRUE(MessagesOf(WriteCaseFile(d, "caso", "caso")).empty());
  EXPECT_EQ(ReadFile("caso.dad"), expected);
  EXPECT_GT(state.calls, 200);
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});
}

TEST_F(FileSinkTest, AbortLeavesTargetAndNoTemporaryFile) {
  auto sink = MakeAtomicFileSink();
  ASSERT_TRUE(sink->Open("caso.dad"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});  // the temporary file has no name
  ASSERT_TRUE(sink->Write("novo", 4));
  sink->Abort();
  sink->Abort();
  EXPECT_EQ(Entries(), std::vector<std::string>{"caso.dad"});
  EXPECT_EQ(ReadFile("caso.dad"), kOld);
  EXPECT_EQ(MessageOf(sink->Write("x", 1)), "o arquivo não está aberto");
  EXPECT_EQ(MessageOf(sink->Commit()), "o arquivo não está aberto");
}

// Where the file system has no unnamed files, the named temporary file
// sits beside the target.
TEST_F(FileSinkTest, TemporaryFileSitsBesideTheTarget) {
  fs::create_directory("sub");
  InstallFakes();
  g_conditions.no_unnamed_files = true;
  auto sink = MakeAtomicFileSink();
  const bool opened = sink->Open("sub/alvo.dad").Ok();
  g_conditions = {};
  ASSERT_TRUE(opened);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator("sub")) names.push_back(e.path().filename());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind(".alvo.dad.", 0), 0u) << names[0];
  EXPECT_EQ(names[0].size(), std::string(".alvo.dad.").size() + 6) << names[0];
  ASSERT_TRUE(sink->Write("abc\r\n", 5));
  ASSERT_TRUE(sink->Commit());
  EXPECT_EQ(ReadFile("sub/alvo.dad"), "abc\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("sub"), fs::directory_iterator()), 1);
}

TEST_F(FileSinkTest, MissingFolderIsReported) {
  auto sink = MakeAtomicFileSink();
  const TStatus opened = sink->Open("nao_existe/caso.dad");
  EXPECT_EQ(opened.Code(), TErrc::FileWrite);
  EXPECT_EQ(MessageOf(opened), "a pasta não existe");
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
    const std::vector<std::string> messages = MessagesOf(WriteCaseFile(d, "caso", "caso"));
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
  EXPECT_TRUE(MessagesOf(WriteCaseFile(d, "caso", "caso")).empty());
  EXPECT_EQ(ReadFile("caso.dad"), FormatCaseFileToString(d, "caso"));
}


// Saving over what is already there, through the real file system: files
// made read-only, symbolic links, files with several names, folders that
// take no new file, other users' files, a save killed half-way. The suite
// runs as root and as a normal user: where real permissions matter, a
// child process gives up root (becomes "nobody").

std::string Failure(const std::string& file, const fs::path& folder, const std::string& reason) {
  return "Não foi possível gravar o arquivo \"" + file + "\" na pasta \"" + folder.string() +
         "\": " + reason + "!";
}

const passwd* Nobody() {
  static const passwd* p = getpwnam("nobody");
  return p;
}
uid_t NobodyUid() { return Nobody() ? Nobody()->pw_uid : 65534; }
gid_t NobodyGid() { return Nobody() ? Nobody()->pw_gid : 65534; }

// Runs `body` in a child process, as "nobody" if `drop_root` and the suite
// runs as root, and gives back its messages.
std::vector<std::string> InChild(const std::function<std::vector<std::string>()>& body,
                                 bool drop_root) {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (drop_root && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(NobodyGid()) != 0 || setuid(NobodyUid()) != 0)) {
      _exit(100);
    }
    std::string joined;
    for (const std::string& m : body()) joined += m + '\n';
    _exit(write(out[1], joined.data(), joined.size()) == static_cast<ssize_t>(joined.size()) ? 0
                                                                                             : 101);
  }
  close(out[1]);
  std::string joined;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) joined.append(buffer, n);
  close(out[0]);
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  std::vector<std::string> messages;
  for (std::size_t at = 0, end; (end = joined.find('\n', at)) != std::string::npos; at = end + 1) {
    messages.push_back(joined.substr(at, end - at));
  }
  return messages;
}

class SaveTargetTest : public FileSinkTest {
protected:
  const TCaseData data_ = Case(50);
  const std::string expected_ = FormatCaseFileToString(data_, "t");
};

// Read-only means read-only, for root too.
TEST_F(SaveTargetTest, ReadOnlyFileIsRefusedAndKept) {
  WriteFile("caso.dad", kOld);
  ASSERT_EQ(chmod("caso.dad", 0444), 0);
  fs::create_symlink("caso.dad", "elo.dad");
  const ino_t inode = Stat("caso.dad").st_ino;
  for (const char* name : {"caso", "elo"}) {
    EXPECT_EQ(MessagesOf(WriteCaseFile(data_, "t", name)),
              std::vector<std::string>{
                  Failure(std::string(name) + ".dad", dir_, "permissão negada")});
  }
  EXPECT_EQ(ReadFile("caso.dad"), kOld);
  EXPECT_EQ(Stat("caso.dad").st_ino, inode);
  EXPECT_EQ(Tree(dir_), (std::vector<std::string>{"caso.dad", "elo.dad @caso.dad"}));
}

TEST_F(SaveTargetTest, SymbolicLinksAreFollowedAndKept) {
  struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // name, text ("@": absolute)
    std::string file;                                       // where the bytes must go
    bool file_exists;
    std::string folder;  // WriteCaseFile's folder
  } const rows[] = {
      {"into a subfolder", {{"caso.dad", "dados/alvo.dad"}}, "dados/alvo.dad", true, ""},
      {"chain ending in an absolute link",
       {{"caso.dad", "elo.dad"}, {"elo.dad", "@/dados/alvo.dad"}}, "dados/alvo.dad", true, ""},
      {"to a file not there yet", {{"caso.dad", "dados/novo.dad"}}, "dados/novo.dad", false, ""},
      {"from another folder, upwards", {{"sub/caso.dad", "../dados/alvo.dad"}},
       "dados/alvo.dad", true, "sub"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    for (const char* name : {"dados", "sub", "caso.dad", "elo.dad"}) fs::remove_all(name);
    fs::create_directories("dados");
    fs::create_directories("sub");
    if (r.file_exists) {
      WriteFile(r.file, kOld);
      ASSERT_EQ(chmod(r.file.c_str(), 0604), 0);
    }
    for (const auto& [name, text] : r.links) {
      fs::create_symlink(text[0] == '@' ? dir_.string() + text.substr(1) : text, name);
    }
    std::vector<std::string> tree = Tree(dir_);
    if (!r.file_exists) tree.push_back(r.file);
    std::sort(tree.begin(), tree.end());
    EXPECT_TRUE(MessagesOf(WriteCaseFile(data_, "t", "caso", r.folder)).empty());
    EXPECT_EQ(Tree(dir_), tree);  // the links stay, nothing is left beside them
    EXPECT_EQ(ReadFile(r.file), expected_);
    if (r.file_exists) {
      EXPECT_EQ(Stat(r.file).st_mode & 07777, 0604u);
    }
  }
  fs::create_symlink("b.dad", "a.dad");
  fs::create_symlink("a.dad", "b.dad");
  const std::vector<std::string> tree = Tree(dir_);
  EXPECT_EQ(MessagesOf(WriteCaseFile(data_, "t", "a")),
            std::vector<std::string>{
                Failure("a.dad", dir_, "há links simbólicos demais no caminho")});
  EXPECT_EQ(Tree(dir_), tree);
}

// The other names see the new case.
TEST_F(SaveTargetTest, FileWithSeveralNamesIsWrittenInPlace) {
  fs::create_directory("outra");
  fs::create_hard_link("caso.dad", "outra/copia.dad");
  const ino_t inode = Stat("caso.dad").st_ino;
  EXPECT_TRUE(MessagesOf(WriteCaseFile(data_, "t", "caso")).empty());
  EXPECT_EQ(ReadFile("outra/copia.dad"), expected_);
  EXPECT_EQ(Stat("caso.dad").st_ino, inode);
  EXPECT_EQ(Tree(dir_), (std::vector<std::string>{"caso.dad #2", "outra", "outra/copia.dad #2"}));
}

// A file the user may write, in a folder the user may not write: written
// in place. A new file cannot be created there, and the message says where.
TEST_F(SaveTargetTest, FolderThatTakesNoNewFile) {
  const fs::path folder = dir_ / "pasta";
  fs::create_directory(folder);
  WriteFile(folder / "caso.dad", kOld);
  ASSERT_EQ(chmod((folder / "caso.dad").c_str(), 0664), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), NobodyUid(), NobodyGid()), 0);
    ASSERT_EQ(chown((folder / "caso.dad").c_str(), NobodyUid(), NobodyGid()), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  const ino_t inode = Stat(folder / "caso.dad").st_ino;
  const std::vector<std::string> messages = InChild(
      [&] {
        std::vector<std::string> m = MessagesOf(WriteCaseFile(data_, "t", "caso", folder.string()));
        m.push_back("--");
        for (const auto& n : MessagesOf(WriteCaseFile(data_, "t", "novo", folder.string()))) m.push_back(n);
        return m;
      },
      true);
  EXPECT_EQ(messages,
            (std::vector<std::string>{"--", Failure("novo.dad", folder, "permissão negada")}));
  EXPECT_EQ(ReadFile(folder / "caso.dad"), expected_);
  EXPECT_EQ(Stat(folder / "caso.dad").st_ino, inode);
  EXPECT_EQ(Tree(folder), std::vector<std::string>{"caso.dad"});
}

// A shared folder such as /tmp: sticky, and every user may write it.
// Another user plants names there for this one's save; the saver is this
// process (root) or a child that has become "nobody". Ownership needs
// root to give names away.
class SharedFolderTest : public SaveTargetTest {
protected:
  static constexpr uid_t kOther = 4242;  // a user of no account on the machine
  void SetUp() override {
    SaveTargetTest::SetUp();
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to give names to other users";
    shared_ = dir_ / "comum";
    fs::create_directory(shared_);
    ASSERT_EQ(chmod(shared_.c_str(), 01777), 0);
  }
  // The save of "caso" into `folder`, by root or by "nobody".
  std::vector<std::string> Save(const fs::path& folder, bool as_nobody) {
    return InChild([&] { return MessagesOf(WriteCaseFile(data_, "t", "caso", folder.string())); }, as_nobody);
  }
  fs::path shared_;
};

// The link is followed exactly where the kernel's protected_symlinks rule
// would follow it, whatever this machine's setting; a refused link leaves
// every file as it was, and opening through it is refused the same way.
TEST_F(SharedFolderTest, PlantedSymbolicLinksAreFollowedOnlyAsTheKernelRuleAllows) {
  const std::string refused_link =
      "é um link simbólico de outro usuário (uid 4242) numa pasta compartilhada, e por segurança não é seguido";
  struct {
    const char* name;
    mode_t folder_mode;
    uid_t folder_owner;
    uid_t link_owner;  // kOther, or the saver
    bool as_nobody;
    bool followed;
  } const rows[] = {
      {"another user's link, saved by nobody", 01777, 0, kOther, true, false},
      {"another user's link, saved by root", 01777, 0, kOther, false, false},
      {"the saver's own link", 01777, 0, NobodyUid(), true, true},
      {"the folder owner's link", 01777, kOther, kOther, true, true},
      {"another user's link in a folder that is not sticky", 0777, 0, kOther, true, true},
      {"another user's link in a sticky folder not all may write", 01775, 0, kOther, true, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const fs::path notes = dir_ / "notas.txt";
    WriteFile(notes, kOld);
    ASSERT_EQ(chown(notes.c_str(), NobodyUid(), NobodyGid()), 0);
    ASSERT_EQ(chmod(notes.c_str(), 0644), 0);
    const fs::path link = shared_ / "caso.dad";
    fs::remove(link);
    fs::create_symlink(notes, link);
    ASSERT_EQ(lchown(link.c_str(), r.link_owner, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chown(shared_.c_str(), r.folder_owner, 0), 0);
    ASSERT_EQ(chmod(shared_.c_str(), r.folder_mode), 0);
    const struct stat before = Stat(notes);
    const std::vector<std::string> tree = Tree(dir_);

    const std::vector<std::string> messages = Save(shared_, r.as_nobody);
    if (r.followed) {
      EXPECT_EQ(messages, std::vector<std::string>{});
      EXPECT_EQ(ReadFile(notes), expected_);
    } else {
      EXPECT_EQ(messages, std::vector<std::string>{Failure("caso.dad", shared_, refused_link)});
      EXPECT_EQ(ReadFile(notes), kOld);
      EXPECT_EQ(Stat(notes).st_ino, before.st_ino);
      EXPECT_EQ(Stat(notes).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
      EXPECT_EQ(Tree(dir_), tree);
      TCaseData read;
      std::string title;
      const TStatus opened = ReadCaseFile(link.string(), &read, &title);
      EXPECT_EQ(opened.Code(), TErrc::FileUnsafe);
      EXPECT_EQ(MessageOf(opened), "Não foi possível abrir o arquivo \"" + link.string() + "\": " + refused_link + ".");
    }
  }
  // The link may be any step of the path: here the folder saved into.
  ASSERT_EQ(chown(shared_.c_str(), 0, 0), 0);
  ASSERT_EQ(chmod(shared_.c_str(), 01777), 0);
  fs::create_directory(dir_ / "dados");
  ASSERT_EQ(chmod((dir_ / "dados").c_str(), 0777), 0);
  fs::create_symlink(dir_ / "dados", shared_ / "pasta");
  ASSERT_EQ(lchown((shared_ / "pasta").c_str(), kOther, static_cast<gid_t>(-1)), 0);
  EXPECT_EQ(Save(shared_ / "pasta", true),
            std::vector<std::string>{Failure("caso.dad", shared_ / "pasta",
                                             "o caminho passa por \"" + (shared_ / "pasta").string() +
                                                 "\", um link simbólico de outro usuário (uid 4242) numa pasta "
                                                 "compartilhada, que por segurança não é seguido")});
  EXPECT_TRUE(fs::is_empty(dir_ / "dados"));
}

// A second name for the saver's own file, planted in the shared folder:
// the save replaces that name and never writes through it.
TEST_F(SharedFolderTest, PlantedHardLinkIsReplacedNotWrittenThrough) {
  const fs::path notes = dir_ / "notas.txt";
  WriteFile(notes, kOld);
  ASSERT_EQ(chown(notes.c_str(), NobodyUid(), NobodyGid()), 0);
  fs::create_hard_link(notes, shared_ / "caso.dad");
  EXPECT_EQ(Save(shared_, true), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(notes), kOld);
  EXPECT_EQ(ReadFile(shared_ / "caso.dad"), expected_);
  EXPECT_EQ(Stat(notes).st_nlink, 1u);
  EXPECT_EQ(Stat(shared_ / "caso.dad").st_uid, NobodyUid());
}

// Another user's file, writable by all: neither written in place nor
// replaced, for root too, as the kernel's protected_regular rule refuses
// creating over it.
TEST_F(SharedFolderTest, AnotherUsersFileIsRefusedAndKept) {
  const fs::path file = shared_ / "caso.dad";
  WriteFile(file, kOld);
  ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(chown(file.c_str(), kOther, 0), 0);
  const ino_t inode = Stat(file).st_ino;
  for (bool as_nobody : {true, false}) {
    EXPECT_EQ(Save(shared_, as_nobody),
              std::vector<std::string>{Failure("caso.dad", shared_,
                                               "o arquivo é de outro usuário (uid 4242), numa pasta compartilhada, "
                                               "e por segurança não é gravado por cima")});
  }
  EXPECT_EQ(ReadFile(file), kOld);
  EXPECT_EQ(Stat(file).st_ino, inode);
  EXPECT_EQ(Tree(shared_), std::vector<std::string>{"caso.dad"});
}

// Any name the file system holds can be saved: the temporary names stay
// short whatever the target's, and a name is kept as its bytes.
TEST_F(SaveTargetTest, EveryNameThatCanBeOpenedCanBeSaved) {
  const std::string longest(255 - 4, 'n');
  const struct {
    const char* name;
    std::string file;
  } rows[] = {
      {"250 bytes", std::string(246, 'a') + ".dad"},
      {"255 bytes", longest + ".dad"},
      {"250 bytes of two-byte characters", [] {
         std::string s;
         for (int i = 0; i < 123; ++i) s += "\xC3\xA7";
         return s + ".dad";
       }()},
      {"Latin-1, not UTF-8", "caf\xE9.dad"},
  };
  InstallFakes();
  for (const auto& r : rows) {
    for (bool unnamed : {true, false}) {
      for (bool existing : {true, false}) {
        SCOPED_TRACE(std::string(r.name) + (unnamed ? ", unnamed" : ", named") + (existing ? ", replaced" : ", new"));
        fs::remove_all("sub");
        fs::create_directory("sub");
        const std::string path = "sub/" + r.file;
        if (existing) WriteFile(path, kOld);
        g_conditions.no_unnamed_files = !unnamed;
        EXPECT_EQ(MessageOf(SaveCaseFile(data_, "t", path)), "");
        g_conditions = {};
        EXPECT_EQ(ReadFile(path), expected_);
        EXPECT_EQ(Tree("sub"), std::vector<std::string>{r.file});
      }
    }
  }
}

// Root saving a user's file gives it back to that user.
TEST_F(SaveTargetTest, ReplacedFileKeepsOwnerGroupAndPermissions) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to give the file to another user";
  ASSERT_EQ(chmod("caso.dad", 0640), 0);
  const uid_t owner = NobodyUid();
  const gid_t group = NobodyGid();
  ASSERT_EQ(chown("caso.dad", owner, group), 0);
  const ino_t inode = Stat("caso.dad").st_ino;
  EXPECT_TRUE(MessagesOf(WriteCaseFile(data_, "t", "caso")).empty());
  const struct stat now = Stat("caso.dad");
  EXPECT_NE(now.st_ino, inode);  // replaced, not written in place
  EXPECT_EQ(now.st_uid, owner);
  EXPECT_EQ(now.st_gid, group);
  EXPECT_EQ(now.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile("caso.dad"), expected_);
}

// A save killed half-way leaves the old file and nothing else: the bytes
// went to a file without a name. The child is held once its real third
// write, or its sync, has run, and killed there with SIGKILL.
int g_report = -1;  // the child's end of the pipe
[[noreturn]] void Held() {
  (void)!write(g_report, "h", 1);
  for (;;) pause();
}

TEST_F(SaveTargetTest, KilledSaveLeavesNothingBehind) {
  const int probe = open(".", O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system has no unnamed files";
  close(probe);
  const std::pair<const char*, void (*)()> moments[] = {
      {"while writing",
       [] {
         FileSystemCalls().write = [](int fd, const void* p, std::size_t n) -> ssize_t {
           static int calls = 0;
           const ssize_t done = RealFileSystemCalls().write(fd, p, n);
           if (++calls == 3) Held();
           return done;
         };
       }},
      {"after the sync, before the file is named",
       [] {
         FileSystemCalls().fsync = [](int fd) {
           if (RealFileSystemCalls().fsync(fd) == 0) Held();
           return -1;
         };
       }},
  };
  const TCaseData big = Case(20000);  // about 5.5 MB: several writes
  for (const auto& [name, hold] : moments) {
    SCOPED_TRACE(name);
    WriteFile("caso.dad", kOld);
    int held[2];
    ASSERT_EQ(pipe(held), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      g_report = held[1];
      hold();
      MessagesOf(WriteCaseFile(big, "t", "caso"));
      _exit(1);  // never held: the parent gets no byte
    }
    close(held[1]);
    pollfd reached = {held[0], POLLIN, 0};
    char byte = 0;
    EXPECT_TRUE(poll(&reached, 1, 60000) == 1 && read(held[0], &byte, 1) == 1);
    close(held[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(Tree(dir_), std::vector<std::string>{"caso.dad"});
    EXPECT_EQ(ReadFile("caso.dad"), kOld);
  }
}

}  // namespace
