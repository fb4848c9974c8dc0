#pragma once
// Threads of their own for work that waits, with hand-off of every step that touches windows or
// GDI to the GUI thread, which is the process's main thread.
#include <windows.h>

#include <atomic>
#include <functional>

namespace win {

// Thread priorities from idle (0) through normal (3) to time-critical (6).
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A thread made suspended: Resume starts it and Execute runs in it. When Execute has ended,
// OnTerminate runs on the GUI thread, and with FreeOnTerminate the object then deletes itself
// (from its own thread). Made, resumed and deleted on the GUI thread.
class TThread {
public:
  TThread();
  // Without FreeOnTerminate: Terminate and WaitFor. A class whose Execute uses its own members
  // does that in its own destructor, before those members go.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread the first time; later calls resume a suspended thread.
  void Resume();
  bool Suspended() const { return suspended_; }
  void Terminate() { terminated_ = true; }
  // Waits for a started thread to end; on the GUI thread the queued steps run meanwhile, since a
  // run may end through them.
  void WaitFor();
  bool Terminated() const { return terminated_; }
  // Whether the run is over (OnTerminate has run).
  bool Finished() const { return finished_; }
  TThreadPriority Priority() const { return priority_; }
  void SetPriority(TThreadPriority priority);
  bool Threaded() const { return thread_ != nullptr; }

  bool FreeOnTerminate = false;
  std::function<void()> OnTerminate;

  // Runs step on the GUI thread and returns when it has run; called on the GUI thread, it runs
  // at once. An exception of the step reaches the application's default handler on the GUI
  // thread, never this thread.
  static void Synchronize(const std::function<void()>& step);

protected:
  virtual void Execute() = 0;

private:
  static DWORD WINAPI ThreadProc(void* self);
  void Run();

  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> suspended_{true};
  std::atomic<bool> finished_{false};
  TThreadPriority priority_ = tpNormal;
};

// On the GUI thread: runs every step that threads have queued. Whether any ran.
bool CheckSynchronize();
bool InMainThread();

} // namespace win
