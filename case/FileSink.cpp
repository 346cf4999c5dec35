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
#include <vector>

namespace {

int OpenPath(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int LstatPath(const char* path, struct stat* info) { return ::lstat(path, info); }

const TFileSystemCalls kReal = {
    OpenPath, ::mkstemp, ::write,  ::ftruncate, ::fsync,    ::fchmod, ::fchown,
    ::close,  ::linkat,  ::rename, ::unlink,    LstatPath, ::readlink, ::access,
};

// Symbolic links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinks = 40;

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

// The folder part of a path, with its final "/" ("" for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool TemporaryFilesUnsupported(int error) {
  // EISDIR: kernels before 3.11 read O_TMPFILE as O_DIRECTORY.
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

class TAtomicFileSink final : public TFileSink {
public:
  ~TAtomicFileSink() override { Abort(); }

  bool Open(const std::string& path) override {
    Abort();
    error_.clear();
    temp_.clear();
    in_place_ = truncated_ = unnamed_ = done_ = false;

    struct stat info;
    bool exists = false;
    if (!Resolve(path, &info, &exists)) return false;
    const std::string folder = FolderOf(target_);
    folder_ = folder.empty() ? "." : folder;
    name_ = target_.substr(folder.size());

    const TFileSystemCalls& sys = FileSystemCalls();
    if (exists) {
      if (S_ISDIR(info.st_mode)) return Fail(EISDIR);
      if (!S_ISREG(info.st_mode)) {
        return FailText("já existe com esse nome algo que não é um arquivo comum");
      }
      // Root may write anything; a file without any write permission is
      // refused all the same, because somebody made it read-only.
      if ((info.st_mode & 0222) == 0) return Fail(EACCES);
      if (sys.access(target_.c_str(), W_OK) != 0) return Fail(errno);
      if (info.st_nlink > 1 || !Replaceable(info)) return OpenInPlace();
    }
    const int error = OpenTemporary(exists ? &info : nullptr);
    if (error == 0) return true;
    // The folder takes no new file, yet the file itself may be written:
    // writing it in place is the only way to save it.
    if (exists && (error == EACCES || error == EPERM)) return OpenInPlace();
    return Fail(error);
  }

  bool Write(const char* data, std::size_t size) override {
    if (fd_ < 0) return FailText("o arquivo não está aberto");
    if (in_place_ && !truncated_ && !Truncate()) return false;
    const TFileSystemCalls& sys = FileSystemCalls();
    while (size > 0) {
      const std::size_t piece = size < (std::size_t{1} << 30) ? size : (std::size_t{1} << 30);
      const ssize_t n = sys.write(fd_, data, piece);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail(errno);
      }
      if (n == 0) return FailText("o disco não aceitou mais dados");
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Commit() override {
    if (fd_ < 0) return FailText("o arquivo não está aberto");
    if (in_place_ && !truncated_ && !Truncate()) return false;
    const TFileSystemCalls& sys = FileSystemCalls();
    int rc;
    do {
      rc = sys.fsync(fd_);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Fail(errno);
    if (unnamed_ && !LinkTemporary()) return false;
    // Whatever close says, the descriptor is gone afterwards (Linux), and
    // an error here can mean lost data (NFS): refuse the save.
    rc = sys.close(fd_);
    fd_ = -1;
    if (rc != 0) return Fail(errno);
    if (!in_place_) {
      if (sys.rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
      temp_.clear();
      // Make the new name durable. The target is already replaced, so a
      // failure here changes nothing the user could act on.
      const int dir = sys.open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
      if (dir >= 0) {
        (void)sys.fsync(dir);
        (void)sys.close(dir);
      }
    }
    done_ = true;
    return true;
  }

  void Abort() override {
    const TFileSystemCalls& sys = FileSystemCalls();
    if (fd_ >= 0) {
      (void)sys.close(fd_);
      fd_ = -1;
    }
    if (!temp_.empty()) {
      (void)sys.unlink(temp_.c_str());
      temp_.clear();
    }
  }

  const std::string& Error() const override { return error_; }
  bool TargetMayBeIncomplete() const override { return in_place_ && truncated_ && !done_; }

private:
  // Follows symbolic links from `path` to the file they name (which need
  // not exist yet) and sets target_. *exists and *info describe that file.
  bool Resolve(const std::string& path, struct stat* info, bool* exists) {
    const TFileSystemCalls& sys = FileSystemCalls();
    target_ = path;
    for (int links = 0;; ++links) {
      if (sys.lstat(target_.c_str(), info) != 0) {
        if (errno != ENOENT) return Fail(errno);
        *exists = false;
        return true;
      }
      if (!S_ISLNK(info->st_mode)) {
        *exists = true;
        return true;
      }
      if (links == kMaxLinks) return Fail(ELOOP);
      std::vector<char> buffer(256);
      for (;;) {
        const ssize_t n = sys.readlink(target_.c_str(), buffer.data(), buffer.size());
        if (n < 0) return Fail(errno);
        if (static_cast<std::size_t>(n) < buffer.size()) {
          buffer.resize(static_cast<std::size_t>(n));
          break;
        }
        buffer.resize(buffer.size() * 2);
      }
      const std::string link(buffer.begin(), buffer.end());
      if (link.empty()) return Fail(ENOENT);
      target_ = link[0] == '/' ? link : FolderOf(target_) + link;
    }
  }

  // Whether the file's folder lets this process put a new file in its
  // place: write permission, and in a sticky folder (/tmp) ownership of
  // the file or of the folder.
  bool Replaceable(const struct stat& file) const {
    const TFileSystemCalls& sys = FileSystemCalls();
    if (sys.access(folder_.c_str(), W_OK | X_OK) != 0) return false;
    struct stat folder;
    const std::string self = (folder_ == "." ? std::string() : folder_) + ".";
    if (sys.lstat(self.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0) {
      const uid_t me = geteuid();
      if (me != 0 && me != folder.st_uid && me != file.st_uid) return false;
    }
    return true;
  }

  // Opens the temporary file beside the target; 0 or the errno value.
  int OpenTemporary(const struct stat* existing) {
    const TFileSystemCalls& sys = FileSystemCalls();
    fd_ = sys.open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
    } else {
      if (!TemporaryFilesUnsupported(errno)) return errno;
      const std::string folder = folder_ == "." ? std::string() : folder_;
      std::string pattern = folder + "." + name_ + ".XXXXXX";
      std::vector<char> buffer(pattern.begin(), pattern.end());
      buffer.push_back('\0');
      fd_ = sys.mkstemp(buffer.data());
      if (fd_ < 0) return errno;
      temp_.assign(buffer.data());
    }
    // The new file keeps the owner, group and permissions of the one it
    // replaces; a new case file looks like any file the user creates
    // (O_TMPFILE applies the umask itself, mkstemp gives 0600). Ownership
    // is kept where the process may; a folder that cannot hold
    // permissions (FAT) refuses fchmod. Neither is a reason to refuse the
    // save.
    if (existing != nullptr) {
      if (sys.fchown(fd_, existing->st_uid, existing->st_gid) != 0) {
        (void)sys.fchown(fd_, static_cast<uid_t>(-1), existing->st_gid);
      }
      (void)sys.fchmod(fd_, existing->st_mode & 07777);
    } else if (!unnamed_) {
      (void)sys.fchmod(fd_, 0666 & ~CurrentUmask());
    }
    return 0;
  }

  // The file is truncated only when the first bytes are ready, so that a
  // save that fails before writing anything leaves it as it was.
  bool OpenInPlace() {
    const TFileSystemCalls& sys = FileSystemCalls();
    fd_ = sys.open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY, 0);
    if (fd_ < 0) return Fail(errno);
    in_place_ = true;
    return true;
  }

  bool Truncate() {
    const TFileSystemCalls& sys = FileSystemCalls();
    int rc;
    do {
      rc = sys.ftruncate(fd_, 0);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Fail(errno);
    truncated_ = true;
    return true;
  }

  // Gives the finished unnamed file a temporary name beside the target,
  // for the rename over it.
  bool LinkTemporary() {
    const TFileSystemCalls& sys = FileSystemCalls();
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    const std::string folder = folder_ == "." ? std::string() : folder_;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = folder + "." + name_ + "." + RandomSuffix();
      int rc = sys.linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
      // Without /proc, linking the descriptor itself needs privilege.
      if (rc != 0 && errno == ENOENT) rc = sys.linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
      if (rc == 0) {
        temp_ = name;
        return true;
      }
      if (errno != EEXIST) return Fail(errno);
    }
    return Fail(EEXIST);
  }

  bool Fail(int error) { return FailText(FileErrorText(error)); }
  bool FailText(std::string text) {
    error_ = std::move(text);
    return false;
  }

  std::string target_;  // the file itself, symbolic links followed
  std::string folder_;  // its folder ("." for the current one)
  std::string name_;    // its name in that folder
  std::string temp_;    // the temporary file's name, once it has one
  std::string error_;
  int fd_ = -1;
  bool unnamed_ = false;    // the temporary file is an O_TMPFILE one
  bool in_place_ = false;   // writing the target itself
  bool truncated_ = false;  // ... and it has been emptied
  bool done_ = false;       // committed
};

}  // namespace

std::unique_ptr<TFileSink> MakeAtomicFileSink() { return std::make_unique<TAtomicFileSink>(); }

TFileSystemCalls& FileSystemCalls() {
  static TFileSystemCalls calls = kReal;
  return calls;
}

const TFileSystemCalls& RealFileSystemCalls() { return kReal; }

std::string FileErrorText(int error) {
  switch (error) {
    case ENOSPC: return "não há espaço livre no disco";
    case EDQUOT: return "a cota de disco foi excedida";
    case EFBIG: return "o arquivo excede o tamanho máximo permitido";
    case EACCES:
    case EPERM: return "permissão negada";
    case EROFS: return "o disco é somente para leitura";
    case ENOENT: return "a pasta não existe";
    case ENOTDIR: return "o caminho não é uma pasta";
    case EISDIR: return "já existe uma pasta com esse nome";
    case ENAMETOOLONG: return "o nome do arquivo é longo demais";
    case ELOOP: return "há links simbólicos demais no caminho";
    case ETXTBSY: return "o arquivo está em uso por um programa";
    case EMFILE:
    case ENFILE: return "há arquivos abertos demais";
    case EIO: return "erro de entrada e saída no disco";
    case EXDEV: return "o arquivo temporário ficou em outro disco";
    default: {
      // strerror_r, not strerror: a save or a read may run on a worker thread.
      char reason[128];
      char text[200];
      std::snprintf(text, sizeof text, "erro do sistema %d (%s)", error, strerror_r(error, reason, sizeof reason));
      return text;
    }
  }
}
