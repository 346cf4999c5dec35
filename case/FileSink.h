#pragma once
// Where the case file's bytes go. Saving means "create or truncate this
// file", done as safely as the file allows:
//
// - Normally the bytes go to an unnamed temporary file in the target's
//   folder (O_TMPFILE), which gets a name and is renamed over the target
//   only after every write and the sync succeeded. A save that fails, or a
//   process that is killed, leaves the target as it was and nothing else.
//   Where the file system has no unnamed files, a named ".<target>.XXXXXX"
//   takes its place (a killed process can leave that one behind).
// - A symbolic link is followed: the file it names is replaced, beside
//   itself, and the link stays (a link to nothing creates the file).
// - A file the user may not write is refused, for root too: a file without
//   any write permission was made read-only on purpose.
// - A file with several hard links, or in a folder where it cannot be
//   replaced (no write permission, or a sticky folder the user does not
//   own), is written in place: truncated, written and synced. That cannot
//   be atomic; once it has been truncated, a failure leaves it incomplete
//   and TargetMayBeIncomplete() says so.
// - A replaced file keeps its permissions and, where the process may, its
//   owner and group.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

class TFileSink {
public:
  virtual ~TFileSink() = default;
  // Each returns false on failure; Error() then says why (in Portuguese,
  // for the user: a short phrase such as "não há espaço livre no disco",
  // without final punctuation). After a failure only Abort() is meaningful.
  virtual bool Open(const std::string& path) = 0;
  virtual bool Write(const char* data, std::size_t size) = 0;
  virtual bool Commit() = 0;
  // Drops the temporary file; the target stays as it was (or, written in
  // place, as far as it got). Safe to call twice.
  virtual void Abort() = 0;
  virtual const std::string& Error() const = 0;
  // After a failure: whether the target itself was already changed (a
  // file written in place), so that it may now be incomplete. Stays set
  // until the next Open.
  virtual bool TargetMayBeIncomplete() const { return false; }
};

// The real file system (POSIX and Linux: O_TMPFILE, linkat, rename).
std::unique_ptr<TFileSink> MakeAtomicFileSink();

// The system calls the real sink makes, replaceable so that tests can make
// any one of them fail (or write short). FileSystemCalls() starts as the
// C library's own functions; RealFileSystemCalls() always gives those.
struct TFileSystemCalls {
  // The target written in place, the unnamed temporary file (O_TMPFILE on
  // the folder) and the folder for its sync.
  int (*open)(const char* path, int flags, mode_t mode);
  int (*mkstemp)(char* name_template);  // the named temporary file
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*ftruncate)(int fd, off_t length);
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*close)(int fd);
  int (*linkat)(int from_folder, const char* from, int to_folder, const char* to, int flags);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*lstat)(const char* path, struct stat* info);
  ssize_t (*readlink)(const char* path, char* buffer, std::size_t size);
  int (*access)(const char* path, int mode);
};
TFileSystemCalls& FileSystemCalls();
const TFileSystemCalls& RealFileSystemCalls();

// The user-facing phrase for an errno value ("não há espaço livre no disco").
std::string FileErrorText(int error);
