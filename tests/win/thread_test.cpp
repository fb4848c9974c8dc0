// Threads with their steps handed to the GUI thread: in a message box's loop too, the end handler
// on the GUI thread, objects that free themselves.
#include "win/thread.hpp"

#include "tests/win/pump.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>

namespace win {
namespace {

const DWORD guiThread = GetCurrentThreadId();

using win::testing::PumpUntil;

class TLambdaThread : public TThread {
public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : body_(std::move(body)) {}
  ~TLambdaThread() override {
    if (!FreeOnTerminate) {
      Terminate();
      WaitFor();
    }
    if (destroyedOn) *destroyedOn = GetCurrentThreadId();
  }
  std::atomic<DWORD>* destroyedOn = nullptr;

protected:
  void Execute() override { body_(*this); }

private:
  std::function<void(TLambdaThread&)> body_;
};

TEST(Thread, SynchronizedStepsRunOnTheGUIThreadAlsoWhileAMessageBoxWaits) {
  constexpr wchar_t kCaption[] = L"synchronize-test";
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> boxWasUp{false};
  TLambdaThread thread([&](TLambdaThread&) {
    // The box must be up first, so that only its own loop can run the step.
    HWND box = nullptr;
    for (int i = 0; i < 1000 && !(box = FindWindowW(L"#32770", kCaption)); ++i) Sleep(10);
    TThread::Synchronize([&] {
      ranOn = GetCurrentThreadId();
      boxWasUp = box && IsWindow(box);
      if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
  });
  thread.Resume();
  MessageBoxW(nullptr, L"waiting for the thread", kCaption, MB_OK);
  EXPECT_EQ(ranOn.load(), guiThread);
  EXPECT_TRUE(boxWasUp);
  // The destructor waits for the end.
}

TEST(Thread, OnTerminateRunsOnTheGUIThreadAndFreeOnTerminateFreesInTheThreadsOwn) {
  std::atomic<DWORD> executedOn{0}, terminatedOn{0}, destroyedOn{0};
  std::atomic<int> priority{0};
  std::atomic<bool> afterFailingStep{false};
  auto* thread = new TLambdaThread([&](TLambdaThread&) {
    executedOn = GetCurrentThreadId();
    priority = GetThreadPriority(GetCurrentThread());
    // A step that raises does not raise in this thread.
    TThread::Synchronize([] { throw std::runtime_error("a failing step"); });
    afterFailingStep = true;
  });
  thread->destroyedOn = &destroyedOn;
  thread->FreeOnTerminate = true;
  thread->OnTerminate = [&] { terminatedOn = GetCurrentThreadId(); };
  thread->SetPriority(tpLower);
  EXPECT_TRUE(thread->Suspended());
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return destroyedOn != 0; }));
  EXPECT_NE(executedOn.load(), guiThread);
  EXPECT_EQ(priority.load(), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_TRUE(afterFailingStep);
  EXPECT_EQ(terminatedOn.load(), guiThread);
  EXPECT_EQ(destroyedOn.load(), executedOn.load());
}

TEST(Thread, CheckSynchronizeRunsWhatIsQueuedAndAStepOnTheGUIThreadRunsAtOnce) {
  bool direct = false;
  TThread::Synchronize([&] { direct = true; });
  EXPECT_TRUE(direct);
  EXPECT_FALSE(CheckSynchronize());
  std::atomic<int> steps{0};
  std::atomic<bool> queued{false};
  TLambdaThread thread([&](TLambdaThread&) {
    queued = true;
    TThread::Synchronize([&] { ++steps; });
  });
  thread.Resume();
  // Without dispatching: the GUI thread runs the step itself.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool ran = false;
  while (!ran && std::chrono::steady_clock::now() < end) ran = CheckSynchronize();
  EXPECT_TRUE(ran);
  EXPECT_EQ(steps.load(), 1);
}

TEST(Thread, DeletingAThreadEndsItsRunAndANeverStartedOneNeverRuns) {
  std::atomic<bool> ended{false}, ran{false};
  {
    TLambdaThread thread([&](TLambdaThread& self) {
      while (!self.Terminated()) Sleep(1);
      ended = true;
    });
    thread.Resume();
  }
  EXPECT_TRUE(ended);
  { TLambdaThread never([&](TLambdaThread&) { ran = true; }); }
  EXPECT_FALSE(ran);
}

} // namespace
} // namespace win
