#include <windows.h>

#include "core/report.h"
#include "core/split_arguments.h"
#include "launcher/run_sequence.h"

// The command line is taken from GetCommandLineW and cut here rather than from the
// C runtime's lpCmdLine, so that the program name is removed by one known rule. The
// wide form keeps the characters that the ANSI code page lacks for Java; the launcher
// itself works on each argument's ANSI form, converted as GetCommandLineA converts.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunMode = RunModeKind::Window;
  int exitCode = 0;
  if (RanOutOfMemory([&exitCode] {
        const char16_t* commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
        ArgumentVector arguments = SplitArguments(SkipProgramName(commandLine), true);
        exitCode = RunLauncher(arguments);
      })) {
    return -1;
  }
  return exitCode;
}
