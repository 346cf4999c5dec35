#include "case/FileSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

int OpenAt(int folder, const char* path, int flags, mode_t mode) { return ::openat(folder, path, flags, mode); }
int Fstat(int fd, struct stat* info) { return ::fstat(fd, info); }

const TFileSystemCalls kReal = {
    OpenAt,      Fstat,    ::readlinkat, ::faccessat, ::write,  ::ftruncate, ::fsync,
    ::fchmod,    ::fchown, ::close,      ::linkat,    ::renameat, ::unlinkat,
};

// Symbolic links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinks = 40;

TError Failure(int error) { return MakeError(TErrc::FileOpen, FileErrorText(error)); }

// The names of a path or a link's text, in order. "." steps are dropped,
// except at the end, where "x/" and "x/." name the folder x itself.
void PushNames(const std::string& text, std::deque<std::string>* out) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('/', at);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(at, end - at);
    if (!name.empty() && name != ".") names.push_back(std::move(name));
    at = end + 1;
  }
  const bool folder_itself = !text.empty() && (text.back() == '/' || text == "." || text.ends_with("/."));
  if (folder_itself) names.emplace_back(".");
  out->insert(out->begin(), names.begin(), names.end());
}

// The text of the link opened (O_PATH | O_NOFOLLOW) as `fd`.
TResult<std::string> LinkText(int fd) {
  const TFileSystemCalls& sys = FileSystemCalls();
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = sys.readlinkat(fd, "", buffer.data(), buffer.size());
    if (n < 0) return Failure(errno);
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    if (buffer.size() >= (std::size_t{1} << 20)) return Failure(ENAMETOOLONG);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

TFileSystemCalls& FileSystemCalls() {
  static TFileSystemCalls calls = kReal;
  return calls;
}

const TFileSystemCalls& RealFileSystemCalls() { return kReal; }

TFd& TFd::operator=(TFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int TFd::Reset() {
  if (fd_ < 0) return 0;
  const int rc = FileSystemCalls().close(fd_);
  fd_ = -1;
  return rc;
}

std::string UserName(uid_t uid) {
  struct passwd entry;
  struct passwd* found = nullptr;
  std::vector<char> buffer(4096);
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

bool IsSharedFolder(const struct stat& folder) {
  return (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
}

TResult<TResolvedPath> ResolvePath(const std::string& path) {
  const TFileSystemCalls& sys = FileSystemCalls();
  if (path.empty()) return Failure(ENOENT);
  std::deque<std::string> names;
  PushNames(path, &names);

  TResolvedPath at;
  // The folder walked so far as text, for messages only.
  std::string shown;
  auto start = [&](bool absolute) -> TStatus {
    at.folder = TFd(sys.openat(AT_FDCWD, absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0));
    if (!at.folder.Valid() || sys.fstat(at.folder.Get(), &at.folder_info) != 0) return Failure(errno);
    if (absolute) {
      shown = "/";
    } else if (char* cwd = ::getcwd(nullptr, 0)) {
      shown = cwd;
      std::free(cwd);
    }
    return {};
  };
  if (TStatus started = start(path[0] == '/'); !started) return std::move(started).Error();

  int links = 0;
  while (!names.empty()) {
    const std::string name = std::move(names.front());
    names.pop_front();
    const bool last = names.empty();
    TFd step(sys.openat(at.folder.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC, 0));
    if (!step.Valid()) {
      if (errno == ENOENT && last) {
        at.name = name;
        at.exists = false;
        return at;
      }
      return Failure(errno);
    }
    struct stat info;
    if (sys.fstat(step.Get(), &info) != 0) return Failure(errno);
    if (S_ISLNK(info.st_mode)) {
      if (++links > kMaxLinks) return Failure(ELOOP);
      // The kernel's protected_symlinks rule, applied here whatever the
      // machine's setting: the owner read from the link that is then read.
      if (IsSharedFolder(at.folder_info) && info.st_uid != ::geteuid() && info.st_uid != at.folder_info.st_uid) {
        const std::string owner = UserName(info.st_uid);
        const bool the_file_itself = last && links == 1;
        return MakeError(TErrc::FileUnsafe,
                         the_file_itself
                             ? "é um link simbólico de outro usuário (" + owner +
                                   ") numa pasta compartilhada, e por segurança não é seguido"
                             : "o caminho passa por \"" + Joined(shown, name) +
                                   "\", um link simbólico de outro usuário (" + owner +
                                   ") numa pasta compartilhada, que por segurança não é seguido");
      }
      TResult<std::string> text = LinkText(step.Get());
      if (!text) return std::move(text).Error();
      if (text->empty()) return Failure(ENOENT);
      PushNames(*text, &names);
      if ((*text)[0] == '/') {
        if (TStatus started = start(true); !started) return std::move(started).Error();
      }
      continue;
    }
    if (last) {
      at.name = name;
      at.exists = true;
      at.info = info;
      return at;
    }
    if (!S_ISDIR(info.st_mode)) return Failure(ENOTDIR);
    at.folder = std::move(step);
    at.folder_info = info;
    shown = Joined(shown, name);
  }
  return Failure(EISDIR);  // only "/" itself gets here
}

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
      char text[160];
      // strerror_r, not strerror: a save or a read may run on a worker thread.
      char reason[128];
      std::snprintf(text, sizeof text, "erro do sistema %d (%s)", error, strerror_r(error, reason, sizeof reason));
      return text;
    }
  }
}
