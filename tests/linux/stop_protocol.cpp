// Plays the service's worker and stop thread against the real JVM, which Linux cannot
// run as a service: the creating thread runs main and finishes the machine as the
// service's worker does, a second thread makes the service's stop call.
//
//   stop_protocol LIBJVM while-running   main(--block); a second later the stop call
//                                        main(--stop) releases it
//   stop_protocol LIBJVM by-exit         main(--block); a second later the stop call
//                                        System.exit(0) ends the process with 0
//   stop_protocol LIBJVM during-hooks    main(--hook 2000) returns; half a second
//                                        after that, while the runtime runs the hook, the
//                                        stop call main(--sleep 4000) attaches and
//                                        outlasts the runtime
//   stop_protocol LIBJVM after-return US main() returns; US microseconds after that,
//                                        while the runtime is being destroyed, the stop
//                                        call main(--stop) comes
//
// It prints what the stop call gave (when it came back) and how long finishing the
// machine took, and whether a stop call was still inside then. The launch
// configuration is the program's own string table, as in the launcher; LIBJVM takes
// the place of its runtime library.
#include "hosting/stop_protocol.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "core/launch_config.h"
#include "core/report.h"
#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[2] : "";
  if (argc != (mode == "after-return" ? 4 : 3)) {
    std::fprintf(
        stderr, "usage: stop_protocol LIBJVM while-running|by-exit|during-hooks|after-return US\n");
    return 2;
  }
  RunMode = RunModeKind::Window;
  LoadLaunchConfig();
  LaunchConfig.RuntimeLibrary = argv[1];
  LaunchConfig.StopServiceByExit = mode == "by-exit";
  LaunchConfig.ServiceStopOptions = mode == "during-hooks" ? "--sleep 4000" : "--stop";
  const bool afterReturn = mode == "after-return";
  const long delayUs = afterReturn ? std::atol(argv[3]) : 0;
  const bool created = CreateVirtualMachine(false);
  MarkMachineCreated(created);
  if (!created) return 3;

  // The stop thread stays detached: a call that never comes back must not hold up the
  // end of the process.
  // During the hooks the stop comes half a second after main has returned, after the
  // return US microseconds after it; otherwise a second after main was called.
  const bool duringHooks = mode == "during-hooks";
  std::promise<void>* returned = new std::promise<void>();
  std::shared_future<void> firstCallReturned = returned->get_future().share();
  std::promise<void>* said = new std::promise<void>();
  std::future<void> stopCallSaid = said->get_future();
  std::thread([duringHooks, afterReturn, delayUs, firstCallReturned, said] {
    if (duringHooks || afterReturn) firstCallReturned.wait();
    std::this_thread::sleep_for(afterReturn   ? std::chrono::microseconds(delayUs)
                                : duringHooks ? std::chrono::microseconds(500000)
                                              : std::chrono::microseconds(1000000));
    Say("stop call: " + std::to_string(RunStopCall()));
    said->set_value();
  }).detach();

  char first[] = "--block";
  char hook[] = "--hook";
  char hookMs[] = "2000";
  char* blocking[] = {first};
  char* hooked[] = {hook, hookMs};
  const bool invoked = duringHooks   ? InvokeApplication(2, hooked, false)
                       : afterReturn ? InvokeApplication(0, blocking, false)
                                     : InvokeApplication(1, blocking, false);
  Say(std::string("first call: ") + (invoked ? "1" : "0"));
  returned->set_value();
  const auto start = std::chrono::steady_clock::now();
  const bool left = FinishMachine(StopCallWaitMs);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  Say("finished in " + std::to_string(took.count()) + " ms, bound " +
      std::to_string(StopCallWaitMs) + " ms, stop call inside: " + (left ? "no" : "yes"));
  // A stop call that has left says what it gave before the process ends.
  if (left) stopCallSaid.wait_for(std::chrono::seconds(5));
  return invoked ? 0 : 4;
}
