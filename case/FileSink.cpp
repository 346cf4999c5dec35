#include "case/FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int OpenReadOnly(const char* path, int flags) { return ::open(path, flags); }
int StatPath(const char* path, struct stat* info) { return ::stat(path, info); }

const TFileSystemCalls kReal = {
    ::mkstemp, ::write, ::fsync, ::fchmod, ::close, ::rename, ::unlink, StatPath, OpenReadOnly,
};

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

class TAtomicFileSink final : public TFileSink {
public:
  ~TAtomicFileSink() override { Abort(); }

  bool Open(const std::string& path) override {
    Abort();
    target_ = path;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    folder_ = folder.empty() ? "." : folder;
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const TFileSystemCalls& sys = FileSystemCalls();
    const int fd = sys.mkstemp(buffer.data());
    if (fd < 0) return Fail(errno);
    fd_ = fd;
    temp_.assign(buffer.data());
    // mkstemp gives 0600; the case file should look like any file the user
    // creates, or keep the permissions of the one it replaces. A folder that
    // cannot hold permissions (FAT) refuses fchmod; that is no reason to
    // refuse the save.
    struct stat info;
    const mode_t mode = sys.stat(target_.c_str(), &info) == 0
                            ? (info.st_mode & 07777)
                            : (0666 & ~CurrentUmask());
    (void)sys.fchmod(fd_, mode);
    return true;
  }

  bool Write(const char* data, std::size_t size) override {
    if (fd_ < 0) return FailText("o arquivo não está aberto");
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
    const TFileSystemCalls& sys = FileSystemCalls();
    int rc;
    do {
      rc = sys.fsync(fd_);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Fail(errno);
    // Whatever close says, the descriptor is gone afterwards (Linux), and
    // an error here can mean lost data (NFS): refuse the save.
    rc = sys.close(fd_);
    fd_ = -1;
    if (rc != 0) return Fail(errno);
    if (sys.rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
    temp_.clear();
    // Make the new name durable. The target is already replaced, so a
    // failure here changes nothing the user could act on.
    const int dir = sys.open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      (void)sys.fsync(dir);
      (void)sys.close(dir);
    }
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

private:
  bool Fail(int error) { return FailText(FileErrorText(error)); }
  bool FailText(std::string text) {
    error_ = std::move(text);
    return false;
  }

  std::string target_;
  std::string folder_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
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
    case EMFILE:
    case ENFILE: return "há arquivos abertos demais";
    case EIO: return "erro de entrada e saída no disco";
    case EXDEV: return "o arquivo temporário ficou em outro disco";
    default: {
      char text[160];
      std::snprintf(text, sizeof text, "erro do sistema %d (%s)", error, std::strerror(error));
      return text;
    }
  }
}
