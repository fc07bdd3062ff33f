#include <windows.h>

#include "launcher/report.h"
#include "launcher/run_sequence.h"
#include "launcher/split_arguments.h"

// The command line is taken from GetCommandLineA and cut here rather than from the
// C runtime's lpCmdLine, so that the program name is removed by one known rule.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunMode = RunModeKind::Window;
  int exitCode = 0;
  if (RanOutOfMemory([&exitCode] {
        ArgumentVector arguments = SplitArguments(SkipProgramName(GetCommandLineA()), true);
        exitCode = RunLauncher(arguments);
      })) {
    return -1;
  }
  return exitCode;
}
