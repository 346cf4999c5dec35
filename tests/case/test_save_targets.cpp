// Saving over what is already there, through the real file system: files
// the user made read-only, symbolic links, files with several names,
// folders that take no new file, other users' files, and a save killed
// half-way. The suite runs as root and as a normal user: where real
// permissions matter, a child process gives up root (becomes "nobody").

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

const std::string kOld = "caso anterior\r\n";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TCaseData Case(int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    d.SetDuration(k, 2.0 * k);
    d.SetLoad(k, 300.0 + k);
  }
  return d;
}

struct stat Stat(const fs::path& path) {
  struct stat info = {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Everything below a folder: names, "@" and the text of symbolic links.
std::vector<std::string> Tree(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    std::string name = e.path().lexically_relative(dir).string();
    if (e.is_symlink()) name += " @" + fs::read_symlink(e.path()).string();
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Failure(const std::string& file, const fs::path& folder, const std::string& reason) {
  return "Não foi possível gravar o arquivo \"" + file + "\" na pasta \"" + folder.string() +
         "\": " + reason + "!";
}

uid_t NobodyUid() {
  const passwd* p = getpwnam("nobody");
  return p != nullptr ? p->pw_uid : 65534;
}
gid_t NobodyGid() {
  const passwd* p = getpwnam("nobody");
  return p != nullptr ? p->pw_gid : 65534;
}

// Runs `body` in a child process and returns the messages it gave; with
// `drop_root`, without root's privileges (as "nobody" when the suite runs
// as root).
std::vector<std::string> InChild(const std::function<std::vector<std::string>()>& body,
                                 bool drop_root) {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    if (drop_root && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(NobodyGid()) != 0 || setuid(NobodyUid()) != 0)) {
      _exit(100);
    }
    std::string joined;
    for (const std::string& m : body()) joined += m + '\n';
    const bool sent = write(out[1], joined.data(), joined.size()) ==
                      static_cast<ssize_t>(joined.size());
    _exit(sent ? 0 : 101);
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
  for (std::size_t start = 0, end; (end = joined.find('\n', start)) != std::string::npos;
       start = end + 1) {
    messages.push_back(joined.substr(start, end - start));
  }
  return messages;
}

class SaveTargetTest : public testing::Test {
protected:
  void SetUp() override {
    old_ = fs::current_path();
    char pattern[] = "/tmp/zk_save_targets_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chmod(pattern, 0755), 0);  // reachable for "nobody"
    fs::current_path(dir_);
    dir_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(old_);
    std::error_code ignored;
    for (const auto& e : fs::recursive_directory_iterator(dir_, ignored)) {
      if (!e.is_symlink(ignored) && e.is_directory(ignored)) chmod(e.path().c_str(), 0755);
    }
    fs::remove_all(dir_, ignored);
  }
  fs::path old_;
  fs::path dir_;
  const TCaseData data_ = Case(50);
  const std::string expected_ = FormatCaseFileToString(data_, "t");
};

// Read-only means read-only, for root too.
TEST_F(SaveTargetTest, ReadOnlyFileIsRefusedAndKept) {
  WriteFile("caso.dad", kOld);
  ASSERT_EQ(chmod("caso.dad", 0444), 0);
  fs::create_symlink("caso.dad", "elo.dad");
  const ino_t inode = Stat("caso.dad").st_ino;
  EXPECT_EQ(WriteCaseFile(data_, "t", "caso"),
            std::vector<std::string>{Failure("caso.dad", dir_, "permissão negada")});
  EXPECT_EQ(WriteCaseFile(data_, "t", "elo"),
            std::vector<std::string>{Failure("elo.dad", dir_, "permissão negada")});
  EXPECT_EQ(ReadFile("caso.dad"), kOld);
  EXPECT_EQ(Stat("caso.dad").st_ino, inode);
  EXPECT_EQ(Stat("caso.dad").st_mode & 07777, 0444u);
  EXPECT_EQ(Tree(dir_), (std::vector<std::string>{"caso.dad", "elo.dad @caso.dad"}));
}

TEST_F(SaveTargetTest, SymbolicLinksAreFollowedAndKept) {
  struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // name, text
    std::string file;                                       // the file at the end
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
    fs::remove_all("dados");
    fs::remove_all("sub");
    for (const char* f : {"caso.dad", "elo.dad"}) fs::remove(f);
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
    if (!r.file_exists) {
      tree.push_back(r.file);
      std::sort(tree.begin(), tree.end());
    }
    EXPECT_TRUE(WriteCaseFile(data_, "t", "caso", r.folder).empty());
    EXPECT_EQ(Tree(dir_), tree);  // the links stay, nothing left beside them
    EXPECT_EQ(ReadFile(r.file), expected_);
    if (r.file_exists) {
      EXPECT_EQ(Stat(r.file).st_mode & 07777, 0604u);
    }
  }

  fs::create_symlink("b.dad", "a.dad");
  fs::create_symlink("a.dad", "b.dad");
  const std::vector<std::string> tree = Tree(dir_);
  EXPECT_EQ(WriteCaseFile(data_, "t", "a"),
            std::vector<std::string>{
                Failure("a.dad", dir_, "há links simbólicos demais no caminho")});
  EXPECT_EQ(Tree(dir_), tree);
}

TEST_F(SaveTargetTest, FileWithSeveralNamesIsWrittenInPlace) {
  fs::create_directory("outra");
  WriteFile("caso.dad", kOld);
  fs::create_hard_link("caso.dad", "outra/copia.dad");
  const ino_t inode = Stat("caso.dad").st_ino;
  EXPECT_TRUE(WriteCaseFile(data_, "t", "caso").empty());
  EXPECT_EQ(ReadFile("caso.dad"), expected_);
  EXPECT_EQ(ReadFile("outra/copia.dad"), expected_);
  EXPECT_EQ(Stat("caso.dad").st_ino, inode);
  EXPECT_EQ(Stat("caso.dad").st_nlink, 2u);
  EXPECT_EQ(Tree(dir_), (std::vector<std::string>{"caso.dad", "outra", "outra/copia.dad"}));
  // A shorter case leaves no tail of the longer one.
  const TCaseData small = Case(1);
  EXPECT_TRUE(WriteCaseFile(small, "t", "caso").empty());
  EXPECT_EQ(ReadFile("outra/copia.dad"), FormatCaseFileToString(small, "t"));
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
        std::vector<std::string> m = WriteCaseFile(data_, "t", "caso", folder.string());
        m.push_back("--");
        for (const auto& n : WriteCaseFile(data_, "t", "novo", folder.string())) m.push_back(n);
        return m;
      },
      true);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "--", Failure("novo.dad", folder, "permissão negada")}));
  EXPECT_EQ(ReadFile(folder / "caso.dad"), expected_);
  EXPECT_EQ(Stat(folder / "caso.dad").st_ino, inode);
  EXPECT_EQ(Stat(folder / "caso.dad").st_mode & 07777, 0664u);
  EXPECT_EQ(Tree(folder), std::vector<std::string>{"caso.dad"});
}

// A file the user may write, in a shared sticky folder (/tmp) where only
// its owner may replace it: written in place.
TEST_F(SaveTargetTest, OtherUsersFileInAStickyFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to give the file to another user";
  const fs::path folder = dir_ / "comum";
  fs::create_directory(folder);
  ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
  WriteFile(folder / "caso.dad", kOld);
  ASSERT_EQ(chmod((folder / "caso.dad").c_str(), 0666), 0);  // root's, writable by all
  const ino_t inode = Stat(folder / "caso.dad").st_ino;
  const std::vector<std::string> messages =
      InChild([&] { return WriteCaseFile(data_, "t", "caso", folder.string()); }, true);
  EXPECT_TRUE(messages.empty()) << messages[0];
  EXPECT_EQ(ReadFile(folder / "caso.dad"), expected_);
  EXPECT_EQ(Stat(folder / "caso.dad").st_ino, inode);
  EXPECT_EQ(Stat(folder / "caso.dad").st_uid, 0u);
  EXPECT_EQ(Tree(folder), std::vector<std::string>{"caso.dad"});
}

// Written in place, a save that fails half-way cannot keep the old case:
// the message says so. The real limit: a child process with a small
// file-size limit (SIGXFSZ ignored, so write() fails with EFBIG).
TEST_F(SaveTargetTest, FailureInPlaceSaysTheFileMayBeIncomplete) {
  WriteFile("caso.dad", kOld);
  fs::create_hard_link("caso.dad", "outro.dad");
  const TCaseData big = Case(4000);  // about 1 MB
  const std::vector<std::string> messages = InChild(
      [&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64 * 1024, 64 * 1024};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::vector<std::string>{"setrlimit"};
        return WriteCaseFile(big, "t", "caso");
      },
      false);
  EXPECT_EQ(messages, std::vector<std::string>{Failure(
                          "caso.dad", dir_,
                          "o arquivo excede o tamanho máximo permitido; o arquivo pode ter "
                          "ficado incompleto")});
  const std::string now = ReadFile("caso.dad");
  EXPECT_EQ(now.size(), 64u * 1024);
  EXPECT_EQ(now, FormatCaseFileToString(big, "t").substr(0, now.size()));
  EXPECT_EQ(ReadFile("outro.dad"), now);
  EXPECT_EQ(Tree(dir_), (std::vector<std::string>{"caso.dad", "outro.dad"}));
}

// Root saving a user's file gives it back to that user; a user keeps the
// file's group where it is one of theirs.
TEST_F(SaveTargetTest, ReplacedFileKeepsOwnerGroupAndPermissions) {
  WriteFile("caso.dad", kOld);
  ASSERT_EQ(chmod("caso.dad", 0640), 0);
  uid_t owner = geteuid();
  gid_t group = getegid();
  if (geteuid() == 0) {
    owner = NobodyUid();
    group = NobodyGid();
  } else {
    std::vector<gid_t> groups(static_cast<std::size_t>(getgroups(0, nullptr)) + 1);
    groups.resize(static_cast<std::size_t>(getgroups(static_cast<int>(groups.size()), groups.data())));
    for (gid_t g : groups) {
      if (g != getegid()) group = g;
    }
    if (group == getegid()) GTEST_SKIP() << "needs root or a second group of this user";
  }
  ASSERT_EQ(chown("caso.dad", owner, group), 0);
  const ino_t inode = Stat("caso.dad").st_ino;
  EXPECT_TRUE(WriteCaseFile(data_, "t", "caso").empty());
  const struct stat now = Stat("caso.dad");
  EXPECT_NE(now.st_ino, inode);  // replaced, not written in place
  EXPECT_EQ(now.st_uid, owner);
  EXPECT_EQ(now.st_gid, group);
  EXPECT_EQ(now.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile("caso.dad"), expected_);
}

// A save killed half-way leaves the old file and nothing else: the bytes
// went to a file without a name. The child is held at the chosen moment
// (its real write or sync has run) and killed there with SIGKILL.
TEST_F(SaveTargetTest, KilledSaveLeavesNothingBehind) {
  const int probe = open(".", O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system has no unnamed files";
  close(probe);
  static int report = -1;  // the child's end of the pipe
  struct {
    const char* name;
    void (*hold)();
  } const moments[] = {
      {"while writing",
       [] {
         FileSystemCalls().write = [](int fd, const void* p, std::size_t n) -> ssize_t {
           static int calls = 0;
           const ssize_t done = RealFileSystemCalls().write(fd, p, n);
           if (++calls == 3) {
             (void)!write(report, "w", 1);
             for (;;) pause();
           }
           return done;
         };
       }},
      {"after the sync, before the file is named",
       [] {
         FileSystemCalls().fsync = [](int fd) {
           const int rc = RealFileSystemCalls().fsync(fd);
           (void)!write(report, "s", 1);
           for (;;) pause();
           return rc;
         };
       }},
  };
  const TCaseData big = Case(20000);  // about 5.5 MB: several writes
  for (const auto& moment : moments) {
    SCOPED_TRACE(moment.name);
    WriteFile("caso.dad", kOld);
    int held[2];
    ASSERT_EQ(pipe(held), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(held[0]);
      report = held[1];
      moment.hold();
      WriteCaseFile(big, "t", "caso");
      _exit(1);  // not held: the parent sees no byte
    }
    close(held[1]);
    pollfd wait_for = {held[0], POLLIN, 0};
    char byte = 0;
    const bool reached = poll(&wait_for, 1, 60000) == 1 && read(held[0], &byte, 1) == 1;
    close(held[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(reached);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(Tree(dir_), std::vector<std::string>{"caso.dad"});
    EXPECT_EQ(ReadFile("caso.dad"), kOld);
  }
}

}  // namespace
