#include "hosting/stop_protocol.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/launch_config.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "hosting/invocation.h"

namespace {

// Where the creating thread's machine stands for the stop calls. They wait while it is
// pending and call into it while it runs or while its destruction waits for the
// application's threads (that is how they learn to stop); once the destruction has
// returned, and after a failed creation, they leave it alone.
enum class MachineStage { Pending, Running, Destroying, Gone };

// Alive for the whole process: a stop call may still hold them while the process ends.
std::mutex& StageLock = *new std::mutex;
std::condition_variable& StageChanged = *new std::condition_variable;
MachineStage Stage = MachineStage::Pending;
int StopCallsInside = 0;

void SetStage(MachineStage stage) {
  {
    std::lock_guard<std::mutex> hold(StageLock);
    Stage = stage;
  }
  StageChanged.notify_all();
}

// A timed wait, looped: the untimed one is out of line in libstdc++ 12 and later
// (GLIBCXX_3.4.30), which the Linux launcher does not require.
void WaitWhilePending(std::unique_lock<std::mutex>& hold) {
  while (Stage == MachineStage::Pending) StageChanged.wait_for(hold, std::chrono::seconds(60));
}

// Lets a stop call into the machine; false when there is nothing to stop. The call
// counts as inside before it attaches, so that the end of the run waits for it, and
// the lock is left before the attachment: late in its destruction the runtime holds
// its thread list for good, and an attachment that comes then never returns. While the
// machine runs, or while its destruction waits for the application's threads, the
// thread attaches and reaches the application; once the runtime refuses the attachment
// in the destruction, nothing is left to stop. A refusal while the machine runs is the
// stop call's to report.
bool EnterMachine() {
  {
    std::unique_lock<std::mutex> hold(StageLock);
    WaitWhilePending(hold);
    if (Stage == MachineStage::Gone) return false;
    ++StopCallsInside;
  }
  if (AttachStopperThread()) return true;
  std::unique_lock<std::mutex> hold(StageLock);
  if (Stage == MachineStage::Running) return true;
  --StopCallsInside;
  hold.unlock();
  StageChanged.notify_all();
  return false;
}

void LeaveMachine() {
  {
    std::lock_guard<std::mutex> hold(StageLock);
    --StopCallsInside;
  }
  StageChanged.notify_all();
}

}  // namespace

void MarkMachineCreated(bool created) {
  SetStage(created ? MachineStage::Running : MachineStage::Gone);
}

int RunStopCall() {
  if (!EnterMachine()) {
    Trace("stop call: the machine is gone, nothing to stop");
    return 0;
  }
  bool called;
  if (LaunchConfig.StopServiceByExit) {
    called = RequestApplicationExit();
  } else {
    ArgumentVector arguments = SplitArguments(LaunchConfig.ServiceStopOptions.c_str(), false);
    called = InvokeApplication(arguments.Count, arguments.Vector(), true);
  }
  LeaveMachine();
  return called ? 1 : -1;
}

bool FinishMachine(int waitMs) {
  SetStage(MachineStage::Destroying);
  TearDownVirtualMachine();
  std::unique_lock<std::mutex> hold(StageLock);
  Stage = MachineStage::Gone;
  // A call that attached while the runtime ran its shutdown hooks and is still inside
  // never comes back: the runtime blocks every thread that returns to it once it is
  // gone.
  const bool left = StageChanged.wait_for(hold, std::chrono::milliseconds(waitMs),
                                          [] { return StopCallsInside == 0; });
  if (!left) {
    Trace("%d stop call%s still inside the runtime after %d ms", StopCallsInside,
          StopCallsInside == 1 ? "" : "s", waitMs);
  }
  return left;
}
