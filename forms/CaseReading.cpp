#include "forms/CaseReading.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "case/CaseReader.h"
#include "toolkit/Progress.h"

std::optional<TStatus> ReadCaseInWorker(const TForm* owner, const std::string& caption, const std::string& path,
                                        TCaseData* data, std::string* title) {
  constexpr std::size_t kBar = 1000;  // steps of the bar while the file is read
  TStatus read;
  TProgress progress(owner, caption + " \"" + std::filesystem::path(path).filename().string() + "\"...", true);
  const bool finished = progress.RunInWorker([&](const TProgress::TReport& report) {
    read = ReadCaseFile(path, data, title, [&report](std::uint64_t done, std::uint64_t total) {
      return report(static_cast<std::size_t>(static_cast<double>(kBar) * static_cast<double>(done) /
                                              static_cast<double>(total > 0 ? total : 1)),
                    kBar);
    });
  });
  if (!finished) return std::nullopt;
  return read;
}
