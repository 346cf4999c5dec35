#include "case/FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The process's umask without changing it (Linux reports it in
// /proc/self/status); the set-and-restore fallback is not thread-safe, but
// only runs on systems without that line.
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        std::fclose(f);
        return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
      }
    }
    std::fclose(f);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Six letters or digits for a temporary name; unpredictable enough that
// another save into the same folder does not pick the same one.
std::string RandomSuffix() {
  static std::atomic<uint64_t> counter{0};
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  uint64_t x = (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(now.tv_nsec) ^
               (static_cast<uint64_t>(now.tv_sec) << 20) ^
               (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  static const char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string text;
  for (int i = 0; i < 6; ++i) {
    text += kLetters[x % 62];
    x /= 62;
  }
  return text;
}

// Bytes of the target's name that a temporary name keeps: enough to see
// whose it is, few enough that any name fits the file system's limit.
constexpr std::size_t kNameKept = 20;

// A short hidden name beside the target: ".caso.dad.Ab12Cd", at most 28
// bytes, never cut inside a UTF-8 character.
std::string TemporaryName(const std::string& name) {
  std::size_t keep = name.size() < kNameKept ? name.size() : kNameKept;
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  return "." + name.substr(0, keep) + "." + RandomSuffix();
}

bool TemporaryFilesUnsupported(int error) {
  // EISDIR: kernels before 3.11 read O_TMPFILE as O_DIRECTORY.
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

TError Failure(TErrc code, std::string text) { return MakeError(code, std::move(text)); }
TError Failure(int error) { return Failure(TErrc::FileWrite, FileErrorText(error)); }

class TAtomicFileSink final : public TFileSink {
public:
  ~TAtomicFileSink() override { Abort(); }

  TStatus Open(const std::string& path) override {
    Abort();
    folder_.Reset();
    in_place_ = truncated_ = unnamed_ = done_ = false;

    TResult<TResolvedPath> where = ResolvePath(path);
    if (!where) {
      TError error = std::move(where).Error();
      if (error.code != TErrc::FileUnsafe) error.code = TErrc::FileWrite;
      return error;
    }
    folder_ = std::move(where->folder);
    name_ = std::move(where->name);
    const struct stat& info = where->info;
    const struct stat& folder = where->folder_info;
    if (!where->exists) return OpenTemporary(nullptr);

    const TFileSystemCalls& sys = FileSystemCalls();
    if (S_ISDIR(info.st_mode)) return Failure(EISDIR);
    if (!S_ISREG(info.st_mode)) {
      return Failure(TErrc::FileWrite, "já existe com esse nome algo que não é um arquivo comum");
    }
    // Root may write anything; a file without any write permission is
    // refused all the same, because somebody made it read-only.
    if ((info.st_mode & 0222) == 0) return Failure(EACCES);
    if (sys.faccessat(folder_.Get(), name_.c_str(), W_OK, AT_EACCESS) != 0) return Failure(errno);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    const bool replaceable = Replaceable(info, folder);
    if (IsSharedFolder(folder)) {
      // Never in place here: a second name may have been planted, and
      // another user's file is theirs to change.
      const uid_t me = ::geteuid();
      if ((info.st_uid != me && info.st_uid != folder.st_uid) || (!replaceable && info.st_uid != me)) {
        return Failure(TErrc::FileUnsafe, "o arquivo é de outro usuário (" + UserName(info.st_uid) +
                                              "), numa pasta compartilhada, e por segurança não é gravado por cima");
      }
      return OpenTemporary(&info);
    }
    if (info.st_nlink > 1 || !replaceable) return OpenInPlace();
    TStatus opened = OpenTemporary(&info);
    // The folder takes no new file, yet the file itself may be written:
    // writing it in place is the only way to save it.
    if (!opened && (opened_error_ == EACCES || opened_error_ == EPERM)) return OpenInPlace();
    return opened;
  }

  TStatus Write(const char* data, std::size_t size) override {
    if (!fd_.Valid()) return Failure(TErrc::FileWrite, "o arquivo não está aberto");
    if (in_place_ && !truncated_) {
      if (TStatus t = Truncate(); !t) return t;
    }
    const TFileSystemCalls& sys = FileSystemCalls();
    while (size > 0) {
      const std::size_t piece = size < (std::size_t{1} << 30) ? size : (std::size_t{1} << 30);
      const ssize_t n = sys.write(fd_.Get(), data, piece);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Failure(errno);
      }
      if (n == 0) return Failure(TErrc::FileWrite, "o disco não aceitou mais dados");
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return {};
  }

  TStatus Commit() override {
    if (!fd_.Valid()) return Failure(TErrc::FileWrite, "o arquivo não está aberto");
    if (in_place_ && !truncated_) {
      if (TStatus t = Truncate(); !t) return t;
    }
    const TFileSystemCalls& sys = FileSystemCalls();
    int rc;
    do {
      rc = sys.fsync(fd_.Get());
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Failure(errno);
    if (unnamed_) {
      if (TStatus named = NameTemporary(); !named) return named;
    }
    // Whatever close says, the descriptor is gone afterwards (Linux), and
    // an error here can mean lost data (NFS): refuse the save.
    if (fd_.Reset() != 0) return Failure(errno);
    if (!in_place_) {
      if (sys.renameat(folder_.Get(), temp_.c_str(), folder_.Get(), name_.c_str()) != 0) return Failure(errno);
      temp_.clear();
      // Make the new name durable. The target is already replaced, so a
      // failure here changes nothing the user could act on.
      TFd dir(sys.openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
      if (dir.Valid()) (void)sys.fsync(dir.Get());
    }
    done_ = true;
    return {};
  }

  void Abort() override {
    fd_.Reset();
    if (!temp_.empty()) {
      (void)FileSystemCalls().unlinkat(folder_.Get(), temp_.c_str(), 0);
      temp_.clear();
    }
  }

  bool TargetMayBeIncomplete() const override { return in_place_ && truncated_ && !done_; }

private:
  // Whether the folder lets this process put a new file in the file's
  // place: write permission, and in a sticky folder ownership of the file
  // or of the folder.
  bool Replaceable(const struct stat& file, const struct stat& folder) const {
    if (FileSystemCalls().faccessat(folder_.Get(), ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
    if ((folder.st_mode & S_ISVTX) != 0) {
      const uid_t me = ::geteuid();
      if (me != 0 && me != folder.st_uid && me != file.st_uid) return false;
    }
    return true;
  }

  // Opens the temporary file beside the target; on failure opened_error_
  // holds the errno value.
  TStatus OpenTemporary(const struct stat* existing) {
    const TFileSystemCalls& sys = FileSystemCalls();
    opened_error_ = 0;
    fd_ = TFd(sys.openat(folder_.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd_.Valid()) {
      unnamed_ = true;
    } else {
      if (!TemporaryFilesUnsupported(errno)) return OpenFailure(errno);
      for (int attempt = 0; attempt < 100 && !fd_.Valid(); ++attempt) {
        const std::string name = TemporaryName(name_);
        fd_ = TFd(sys.openat(folder_.Get(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd_.Valid()) {
          temp_ = name;
        } else if (errno != EEXIST) {
          return OpenFailure(errno);
        }
      }
      if (!fd_.Valid()) return OpenFailure(EEXIST);
    }
    // The new file keeps the owner, group and permissions of the one it
    // replaces; a new case file looks like any file the user creates
    // (O_TMPFILE applies the umask itself, the named file starts 0600).
    // Ownership is kept where the process may; a folder that cannot hold
    // permissions (FAT) refuses fchmod. Neither is a reason to refuse the
    // save.
    if (existing != nullptr) {
      if (sys.fchown(fd_.Get(), existing->st_uid, existing->st_gid) != 0) {
        (void)sys.fchown(fd_.Get(), static_cast<uid_t>(-1), existing->st_gid);
      }
      (void)sys.fchmod(fd_.Get(), existing->st_mode & 07777);
    } else if (!unnamed_) {
      (void)sys.fchmod(fd_.Get(), 0666 & ~CurrentUmask());
    }
    return {};
  }
  TError OpenFailure(int error) {
    opened_error_ = error;
    return Failure(error);
  }

  // The file found, opened for writing by its name in its folder, and
  // refused unless it is still that file. It is truncated only when the
  // first bytes are ready, so that a save that fails before writing
  // anything leaves it as it was.
  TStatus OpenInPlace() {
    const TFileSystemCalls& sys = FileSystemCalls();
    fd_ = TFd(sys.openat(folder_.Get(), name_.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd_.Valid() && errno != ELOOP) return Failure(errno);
    struct stat now;
    if (fd_.Valid() && sys.fstat(fd_.Get(), &now) != 0) return Failure(errno);
    if (!fd_.Valid() || !S_ISREG(now.st_mode) || now.st_dev != device_ || now.st_ino != inode_) {
      fd_.Reset();
      return Failure(TErrc::FileUnsafe, "o arquivo foi trocado por outro enquanto era aberto");
    }
    in_place_ = true;
    return {};
  }

  TStatus Truncate() {
    const TFileSystemCalls& sys = FileSystemCalls();
    int rc;
    do {
      rc = sys.ftruncate(fd_.Get(), 0);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Failure(errno);
    truncated_ = true;
    return {};
  }

  // Gives the finished unnamed file a short temporary name beside the
  // target, for the rename over it.
  TStatus NameTemporary() {
    const TFileSystemCalls& sys = FileSystemCalls();
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_.Get());
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = TemporaryName(name_);
      int rc = sys.linkat(AT_FDCWD, self, folder_.Get(), name.c_str(), AT_SYMLINK_FOLLOW);
      // Without /proc, linking the descriptor itself needs privilege.
      if (rc != 0 && errno == ENOENT) rc = sys.linkat(fd_.Get(), "", folder_.Get(), name.c_str(), AT_EMPTY_PATH);
      if (rc == 0) {
        temp_ = name;
        return {};
      }
      if (errno != EEXIST) return Failure(errno);
    }
    return Failure(EEXIST);
  }

  TFd folder_;          // the target's folder, as resolved
  std::string name_;    // the target's name in it
  std::string temp_;    // the temporary file's name, once it has one
  TFd fd_;
  dev_t device_ = 0;    // the existing target, as found
  ino_t inode_ = 0;
  int opened_error_ = 0;
  bool unnamed_ = false;    // the temporary file is an O_TMPFILE one
  bool in_place_ = false;   // writing the target itself
  bool truncated_ = false;  // ... and it has been emptied
  bool done_ = false;       // committed
};

}  // namespace

std::unique_ptr<TFileSink> MakeAtomicFileSink() { return std::make_unique<TAtomicFileSink>(); }
