#pragma once
// Where the case file's bytes go. Saving means "create or truncate this
// file", done as safely as the file allows, and so that no other user of
// the machine can turn it against this one. The path is resolved once
// (FileSystem.h: folder descriptors, O_NOFOLLOW at every step) and every
// later call goes through the folder found, by name within it:
//
// - Normally the bytes go to an unnamed temporary file in the target's
//   folder (O_TMPFILE), which takes the target's place only after every
//   write and the sync succeeded: it is linked under a short temporary
//   name and renamed over the target, new or existing. A save that fails,
//   or a process that is killed, leaves the target as it was and nothing
//   else. Where the file system has no unnamed files, a named temporary
//   file takes its place: a short hidden name (".caso.dad.Ab12Cd"), created
//   exclusively, which a killed process can leave behind.
// - Temporary names are short whatever the target's name, so every name
//   that can be opened can be saved.
// - A symbolic link is followed as the kernel's protected_symlinks rule
//   allows (FileSystem.h): the file it names is replaced, beside itself,
//   and the link stays (a link to nothing creates the file). Another
//   user's link in a shared sticky folder (/tmp) is refused with
//   TErrc::FileUnsafe and nothing is touched.
// - A file the user may not write is refused, for root too: a file without
//   any write permission was made read-only on purpose.
// - In a shared sticky folder nothing is written in place: a file there
//   is replaced (a hard link somebody planted is broken, and the other
//   name keeps what it had) when the user owns it or the folder, and
//   refused (TErrc::FileUnsafe) when it belongs to another user, as the
//   kernel's protected_regular rule refuses creating over it.
// - Elsewhere a file with several hard links, or in a folder where it
//   cannot be replaced (no write permission, or a sticky folder the user
//   does not own), is written in place, opened with O_NOFOLLOW and checked
//   to be the file found: truncated, written and synced. That cannot be
//   atomic; once it has been truncated, a failure leaves it incomplete and
//   TargetMayBeIncomplete() says so.
// - A replaced file keeps its permissions and, where the process may, its
//   owner and group.

#include <cstddef>
#include <memory>
#include <string>

#include "case/FileSystem.h"
#include "case/Status.h"

class TFileSink {
public:
  virtual ~TFileSink() = default;
  // Each fails with TErrc::FileWrite, or TErrc::FileUnsafe for a file
  // refused for safety, and a message that completes "Não foi possível
  // gravar o arquivo ...: " (Portuguese, lower case, without final
  // punctuation: "não há espaço livre no disco"). After a failure only
  // Abort() is meaningful.
  virtual TStatus Open(const std::string& path) = 0;
  virtual TStatus Write(const char* data, std::size_t size) = 0;
  virtual TStatus Commit() = 0;
  // Drops the temporary file; the target stays as it was (or, written in
  // place, as far as it got). Safe to call twice.
  virtual void Abort() = 0;
  // After a failure: whether the target itself was already changed (a
  // file written in place), so that it may now be incomplete. Stays set
  // until the next Open.
  virtual bool TargetMayBeIncomplete() const { return false; }
};

// The real file system (POSIX and Linux: openat, O_TMPFILE, linkat, renameat).
std::unique_ptr<TFileSink> MakeAtomicFileSink();
