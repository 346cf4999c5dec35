#include "case/Status.h"

std::string_view ErrcName(TErrc code) {
  switch (code) {
    case TErrc::Ok: return "ok";
    case TErrc::InvalidInteger: return "invalid-integer";
    case TErrc::InvalidReal: return "invalid-real";
    case TErrc::OutOfRange: return "out-of-range";
    case TErrc::MissingValues: return "missing-values";
    case TErrc::InvalidTitle: return "invalid-title";
    case TErrc::InvalidName: return "invalid-name";
    case TErrc::FileOpen: return "file-open";
    case TErrc::FileRead: return "file-read";
    case TErrc::FileWrite: return "file-write";
    case TErrc::FileUnsafe: return "file-unsafe";
    case TErrc::DamagedFile: return "damaged-file";
    case TErrc::InvalidTable: return "invalid-table";
    case TErrc::NoMemory: return "no-memory";
    case TErrc::Cancelled: return "cancelled";
    case TErrc::AmbiguousTable: return "ambiguous-table";
  }
  return "unknown";
}
