#include "win/thread.hpp"

#include "win/application.hpp"
#include "win/bitmap.hpp"
#include "win/handles.hpp"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace win {
namespace {

// Static initialisation runs on the process's main thread, which is the GUI thread.
const DWORD mainThread = GetCurrentThreadId();

constexpr UINT kRunQueued = WM_APP + 0x51;

struct Queued {
  const std::function<void()>* step;
  bool done = false;
};

struct SyncQueue {
  std::mutex lock;
  std::condition_variable ran;
  std::deque<Queued*> waiting;
  std::atomic<HWND> window{nullptr};
};

SyncQueue& Queue() {
  static SyncQueue queue;
  return queue;
}

LRESULT CALLBACK SyncWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kRunQueued) {
    CheckSynchronize();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A message-only window of the GUI thread: every message loop of that thread (the
// application's, a modal dialog's, a message box's) dispatches what is posted to it.
void EnsureSyncWindow() {
  SyncQueue& q = Queue();
  if (q.window.load() || !InMainThread()) return;
  const wchar_t* name = RegisterWindowClassOnce(L"QtThreadSync", SyncWindowProc);
  HWND w = CreateWindowExW(0, name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!w) throw EOutOfResources("Out of system resources");
  q.window = w;
}

int WindowsPriority(TThreadPriority p) {
  static const int table[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                              THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                              THREAD_PRIORITY_TIME_CRITICAL};
  return table[p < tpIdle || p > tpTimeCritical ? tpNormal : p];
}

} // namespace

bool InMainThread() { return GetCurrentThreadId() == mainThread; }

bool CheckSynchronize() {
  if (!InMainThread()) return false;
  SyncQueue& q = Queue();
  bool any = false;
  for (;;) {
    Queued* item;
    {
      std::lock_guard<std::mutex> hold(q.lock);
      if (q.waiting.empty()) break;
      item = q.waiting.front();
      q.waiting.pop_front();
    }
    any = true;
    Fenced([&] { (*item->step)(); return 0; }, 0);
    {
      std::lock_guard<std::mutex> hold(q.lock);
      item->done = true;
    }
    q.ran.notify_all();
  }
  return any;
}

void TThread::Synchronize(const std::function<void()>& step) {
  if (InMainThread()) {
    step();
    return;
  }
  SyncQueue& q = Queue();
  Queued item{&step};
  std::unique_lock<std::mutex> hold(q.lock);
  q.waiting.push_back(&item);
  if (HWND w = q.window.load()) PostMessageW(w, kRunQueued, 0, 0);
  q.ran.wait(hold, [&] { return item.done; });
}

TThread::TThread() { EnsureSyncWindow(); }

TThread::~TThread() {
  if (!thread_) return;
  if (threadId_ != GetCurrentThreadId()) {
    Terminate();
    try {
      WaitFor();
    } catch (...) {
      // Nothing leaves a destructor.
    }
  }
  CloseHandle(thread_);
}

void TThread::WaitFor() {
  if (!thread_ || threadId_ == GetCurrentThreadId()) return;
  if (!InMainThread()) {
    WaitForSingleObject(thread_, INFINITE);
    return;
  }
  // Queued steps are looked for every few milliseconds, which costs nothing while no one waits.
  while (WaitForSingleObject(thread_, 5) == WAIT_TIMEOUT) CheckSynchronize();
}

void TThread::Resume() {
  if (!suspended_) return;
  if (!thread_) {
    thread_ = CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &threadId_);
    if (!thread_) throw EOutOfResources("Out of system resources");
    SetThreadPriority(thread_, WindowsPriority(priority_));
  }
  // The run may end and free this object as soon as the thread goes: nothing is touched after.
  suspended_ = false;
  ResumeThread(thread_);
}

void TThread::SetPriority(TThreadPriority priority) {
  priority_ = priority;
  if (thread_) SetThreadPriority(thread_, WindowsPriority(priority));
}

DWORD WINAPI TThread::ThreadProc(void* self) {
  try {
    static_cast<TThread*>(self)->Run();
  } catch (...) {
    // Run reports what it can; nothing leaves a thread function.
  }
  return 0;
}

void TThread::Run() {
  std::exception_ptr failure;
  try {
    Execute();
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) {
    // The application's default handler shows it on the GUI thread.
    Synchronize([&] { std::rethrow_exception(failure); });
  }
  if (OnTerminate) Synchronize(OnTerminate);
  const bool freeSelf = FreeOnTerminate;
  finished_ = true;
  if (freeSelf) delete this;
}

} // namespace win
