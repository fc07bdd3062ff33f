// Plays the service's stop protocol against the real JVM, which Linux cannot run as a
// service: the creating thread runs main, a second thread asks it to stop.
//
//   stop_protocol second-main   main(--block) on this thread; after a moment
//                               main(--stop) on an attached thread; prints what
//                               both calls gave and exits 0 when both succeeded
//   stop_protocol exit-request  main(--block) on this thread; after a moment
//                               RequestApplicationExit on an attached thread, which
//                               ends the process with status 0
//
// The launch configuration is the program's own string table, as in the launcher.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"
#include "launcher/launch_config.h"
#include "launcher/report.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: stop_protocol second-main|exit-request\n");
    return 2;
  }
  const bool byExit = std::strcmp(argv[1], "exit-request") == 0;
  RunMode = RunModeKind::Window;
  LoadLaunchConfig();
  if (!CreateVirtualMachine(false)) return 3;

  bool stopped = false;
  std::thread stopper([&stopped, byExit] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (byExit) {
      const bool requested = RequestApplicationExit();
      std::printf("exit request came back: %d\n", requested ? 1 : 0);
      return;
    }
    char stop[] = "--stop";
    char* stopArguments[] = {stop};
    stopped = InvokeApplication(1, stopArguments, true);
  });

  char block[] = "--block";
  char* arguments[] = {block};
  const bool invoked = InvokeApplication(1, arguments, false);
  stopper.join();
  std::printf("first call: %d, stop call: %d\n", invoked ? 1 : 0, stopped ? 1 : 0);
  std::fflush(stdout);
  DestroyVirtualMachine();
  return invoked && stopped && !byExit ? 0 : 4;
}
