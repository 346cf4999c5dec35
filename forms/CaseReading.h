#pragma once
// Reading a case file for a window: on a worker, so the window keeps
// painting, with a progress window "<caption> "<file name>"..." once it has
// lasted, whose "Cancelar" stops the reading.

#include <optional>
#include <string>

#include "case/CaseData.h"
#include "case/Status.h"

class TForm;

// The reader's result, or none when cancelled. `data` and `title` are
// filled only as ReadCaseFile fills them.
std::optional<TStatus> ReadCaseInWorker(const TForm* owner, const std::string& caption, const std::string& path,
                                        TCaseData* data, std::string* title);
