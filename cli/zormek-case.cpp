// zormek-case: reads, makes and changes case files from the command line,
// through the same core as the program's windows (see Command.h).

#include <iostream>

#include "cli/Command.h"

int main(int argc, char** argv) {
  TCommandIo io{std::cin, std::cout, std::cerr};
  int status = RunCommandLine(argc, argv, io);
  // What went to standard output must have arrived (a full disk, a closed pipe).
  if (!std::cout.flush()) {
    std::cerr << kToolName << ": não foi possível escrever na saída padrão.\n";
    if (status == kExitDone) status = kExitRefused;
  }
  return status;
}
