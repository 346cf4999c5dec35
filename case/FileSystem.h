#pragma once
// The file system as the case file sees it: the system calls (replaceable,
// so that tests can make any one of them fail), a descriptor that closes
// itself, the user-facing phrase for an errno value, and the resolution of
// a path that no other user can turn against this process.
//
// A path is resolved once, one name at a time, through folder descriptors
// (openat with O_NOFOLLOW at every step), and what it resolved to is then
// used through those descriptors: nothing can be swapped in between. A
// symbolic link is followed only where the kernel's protected_symlinks
// rule would let this process follow it, whatever that setting is on this
// machine: in a sticky folder that every user may write (/tmp), only a
// link that belongs to this process's user or to the folder's owner.
//
//   ResolvePath("/tmp/caso.dad")   // /tmp/caso.dad -> /home/a/notas.txt, made by another user
//     -> TErrc::FileUnsafe, "\"/tmp/caso.dad\" é um link simbólico de outro usuário (b) numa
//        pasta compartilhada, e por segurança não é seguido"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

#include "case/Status.h"

// The system calls the case file makes. FileSystemCalls() starts as the C
// library's own functions; RealFileSystemCalls() always gives those.
struct TFileSystemCalls {
  // Every open: path steps (O_PATH), the file read or written in place,
  // the unnamed temporary file (O_TMPFILE), the named one (O_CREAT |
  // O_EXCL) and the folder for its sync (O_DIRECTORY).
  int (*openat)(int folder, const char* path, int flags, mode_t mode);
  int (*fstat)(int fd, struct stat* info);
  ssize_t (*readlinkat)(int folder, const char* path, char* buffer, std::size_t size);
  int (*faccessat)(int folder, const char* path, int mode, int flags);
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*ftruncate)(int fd, off_t length);
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*close)(int fd);
  int (*linkat)(int from_folder, const char* from, int to_folder, const char* to, int flags);
  int (*renameat)(int from_folder, const char* from, int to_folder, const char* to);
  int (*unlinkat)(int folder, const char* path, int flags);
};
TFileSystemCalls& FileSystemCalls();
const TFileSystemCalls& RealFileSystemCalls();

// The user-facing phrase for an errno value ("não há espaço livre no disco"):
// lower case, without final punctuation.
std::string FileErrorText(int error);

// The user's name for messages: "nobody", or "uid 1234" where it has none.
std::string UserName(uid_t uid);

// A descriptor, closed (through FileSystemCalls) when it goes.
class TFd {
public:
  TFd() = default;
  explicit TFd(int fd) : fd_(fd) {}
  TFd(TFd&& other) noexcept : fd_(other.Release()) {}
  TFd& operator=(TFd&& other) noexcept;
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes it now; the close's own result (0 or -1 with errno).
  int Reset();

private:
  int fd_ = -1;
};

// A sticky folder that every user may write, such as /tmp: there other
// users' names are traps, as the kernel's protected_* rules see them.
bool IsSharedFolder(const struct stat& folder);

// Where a path leads, every symbolic link followed (or refused).
struct TResolvedPath {
  TFd folder;               // the folder that holds the file (O_PATH)
  struct stat folder_info;  // ... its status
  std::string name;         // the file's name in it, as the file system has it (bytes)
  bool exists = false;      // whether the name is there (then not a link)
  struct stat info;         // ... and its status
};

// Resolves `path` ("" and a path ending in "/", "." or ".." name no file).
// Fails with TErrc::FileUnsafe (a link that is not followed) or
// TErrc::FileOpen (the errno phrase: "a pasta não existe", ...); the message
// is a phrase as FileErrorText gives.
TResult<TResolvedPath> ResolvePath(const std::string& path);
