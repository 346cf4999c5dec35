#pragma once
// Runs a test in a fresh empty current directory, where "GRAVAR" writes.

#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>

class ScopedTempCwd {
public:
  ScopedTempCwd() {
    char buf[4096];
    old_ = getcwd(buf, sizeof buf) != nullptr ? buf : ".";
    ok_ = dir_.isValid() && chdir(dir_.path().toLocal8Bit().constData()) == 0;
  }
  ~ScopedTempCwd() { (void)!chdir(old_.c_str()); }
  bool ok() const { return ok_; }
  std::string path() const { return dir_.path().toStdString(); }

private:
  QTemporaryDir dir_;
  std::string old_;
  bool ok_ = false;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
