#pragma once

/// How long the creating thread waits, once the machine's destruction has returned, for
/// stop calls still inside the runtime. A thread may attach while the runtime runs its
/// shutdown hooks, and a call of its that outlasts them never returns.
constexpr int StopCallWaitMs = 3000;

/// Tells waiting stop calls whether the creating thread's machine came to run. Call it
/// once, right after CreateVirtualMachine.
void MarkMachineCreated(bool created);

/// The stop request of a service, on a thread of its own: waits while the machine is
/// being created, then, unless it is gone, attaches the calling thread as "Corvane
/// stopper thread" and calls System.exit(0) (StopServiceByExit) or main with
/// ServiceStopOptions, detaching afterwards. A thread that attaches while the machine
/// runs counts among the application's threads, so the destruction waits for it; no
/// lock is held while it attaches, as an attachment late in the destruction never
/// returns, and FinishMachine waits for such a call only as long as its bound.
/// 1: the call was made and came back; 0: nothing was left to stop; -1: the call failed
/// (reported).
int RunStopCall();

/// On the creating thread, once main has returned: detaches it and destroys the
/// machine, then waits at most `waitMs` for stop calls still inside the runtime. The
/// library stays loaded: a stop call may still be inside it, and the process is about
/// to end. True when no stop call was left inside.
bool FinishMachine(int waitMs);
