#include "core/report.h"
#include "core/split_arguments.h"
#include "launcher/run_sequence.h"

// The shell has split the command line already; the arguments keep the layout that
// the splitter gives on Windows: a reserved null slot, then the arguments.
int main(int argc, char** argv) {
  RunMode = RunModeKind::Window;
  int exitCode = 0;
  if (RanOutOfMemory([&] {
        ArgumentVector arguments;
        arguments.Count = argc < 1 ? 1 : argc;
        arguments.Slots.push_back(nullptr);
        for (int i = 1; i < argc; ++i) arguments.Slots.push_back(argv[i]);
        exitCode = RunLauncher(arguments);
      })) {
    return -1;
  }
  return exitCode;
}
