#pragma once
// Where the case file's bytes go. A save either replaces the target whole or
// leaves it exactly as it was: bytes go to a temporary file in the target's
// folder, which is renamed over the target only after every write, the flush
// and the sync succeeded.

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
  // Drops the temporary file; the target stays as it was. Safe to call twice.
  virtual void Abort() = 0;
  virtual const std::string& Error() const = 0;
};

// The real file system (POSIX: mkstemp, write, fsync, rename).
// The temporary file is ".<target>.XXXXXX" in the target's folder; it gets
// the target's permissions when the target exists, else 0666 & ~umask.
std::unique_ptr<TFileSink> MakeAtomicFileSink();

// The system calls the real sink makes, replaceable so that tests can make
// any one of them fail (or write short). FileSystemCalls() starts as the
// C library's own functions; RealFileSystemCalls() always gives those.
struct TFileSystemCalls {
  int (*mkstemp)(char* name_template);
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*stat)(const char* path, struct stat* info);
  int (*open)(const char* path, int flags);  // for syncing the folder
};
TFileSystemCalls& FileSystemCalls();
const TFileSystemCalls& RealFileSystemCalls();

// The user-facing phrase for an errno value ("não há espaço livre no disco").
std::string FileErrorText(int error);
