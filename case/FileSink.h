#pragma once
// Where the case file's bytes go. A save either replaces the target whole or
// leaves it exactly as it was: bytes go to a temporary file in the target's
// folder, which is renamed over the target only after every write, the flush
// and the sync succeeded.

#include <cstddef>
#include <memory>
#include <string>

class TFileSink {
public:
  virtual ~TFileSink() = default;
  // Each returns false on failure; Error() then says why (in Portuguese,
  // for the user). After a failure only Abort() is meaningful.
  virtual bool Open(const std::string& path) = 0;
  virtual bool Write(const char* data, std::size_t size) = 0;
  virtual bool Commit() = 0;
  // Drops the temporary file; the target stays as it was. Safe to call twice.
  virtual void Abort() = 0;
  virtual const std::string& Error() const = 0;
};

// The real file system (POSIX: mkstemp, write, fsync, rename).
std::unique_ptr<TFileSink> MakeAtomicFileSink();
