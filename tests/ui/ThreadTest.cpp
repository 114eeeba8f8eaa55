// Worker threads on the virtual clock: Synchronize order, WaitFor, failures, and owners
// that go away while a worker waits for them.
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "rtl/SysUtils.h"
#include "ui/Form.h"
#include "ui/HeadlessFixture.h"
#include "ui/Thread.h"

namespace pictova {
namespace {

using ThreadTest = HeadlessTest;

// Runs a function as its Execute.
class TLambdaThread : public TThread {
 public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body, bool suspended = false)
      : TThread(suspended), FBody(std::move(body)) {}
  ~TLambdaThread() override { TerminateAndWait(); }
  using TThread::Synchronize;
  int& Result() { return ReturnValue; }

 protected:
  void Execute() override { FBody(*this); }

 private:
  std::function<void(TLambdaThread&)> FBody;
};

struct TTrace {
  std::vector<std::string> Lines;
  void Add(const std::string& who) { Lines.push_back(who + "@" + std::to_string(Platform().Clock().NowMs())); }
};

TEST_F(ThreadTest, SynchronizedCallsOfTwoWorkersRunOnTheUiThreadInTimeOrder) {
  TTrace trace;
  bool allOnUi = true;
  auto worker = [&](const std::string& name, uint32_t period) {
    return [&, name, period](TLambdaThread& t) {
      for (int i = 0; i < 4; ++i) {
        t.Synchronize([&, name, i] {
          allOnUi = allOnUi && IsMainThread();
          trace.Add(name + std::to_string(i));
        });
        Sleep(period);
      }
    };
  };
  std::unique_ptr<TLambdaThread> a(TThread::New<TLambdaThread>(worker("a", 10)));
  std::unique_ptr<TLambdaThread> b(TThread::New<TLambdaThread>(worker("b", 15)));
  App().RunUntil([&] { return a->Finished() && b->Finished(); }, 1000);
  EXPECT_TRUE(allOnUi);
  // Independent schedule: a at 0, 10, 20, 30; b at 0, 15, 30, 45; at equal times the worker
  // made first goes first.
  EXPECT_EQ(trace.Lines, (std::vector<std::string>{"a0@0", "b0@0", "a1@10", "b1@15", "a2@20", "a3@30",
                                                   "b2@30", "b3@45"}));
  EXPECT_EQ(Now(), 60u);  // b's last sleep ends at 60
}

TEST_F(ThreadTest, WaitForOnTheUiThreadKeepsSynchronizeGoingAndLetsVirtualTimeRun) {
  int calls = 0;
  std::unique_ptr<TLambdaThread> t(TThread::New<TLambdaThread>([&](TLambdaThread& self) {
    for (int i = 0; i < 3; ++i) {
      self.Synchronize([&] { ++calls; });
      Sleep(200);
    }
    self.Result() = 42;
  }));
  EXPECT_EQ(t->WaitFor(), 42);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Now(), 600u);

  // A worker waiting for another worker counts as waiting: time still runs to the sleeper.
  std::unique_ptr<TLambdaThread> sleeper(TThread::New<TLambdaThread>([](TLambdaThread&) { Sleep(300); }));
  uint64_t seen = 0;
  std::unique_ptr<TLambdaThread> waiter(TThread::New<TLambdaThread>([&](TLambdaThread& self) {
    sleeper->WaitFor();
    self.Synchronize([&] { seen = Now(); });
  }));
  App().RunUntil([&] { return waiter->Finished(); }, 5000);
  EXPECT_EQ(seen, 900u);
}

TEST_F(ThreadTest, FailuresAreKeptOrReportedAndTheLoopGoesOn) {
  std::unique_ptr<TLambdaThread> failing(
      TThread::New<TLambdaThread>([](TLambdaThread&) { throw Exception("worker broke"); }));
  failing->WaitFor();
  ASSERT_TRUE(failing->FatalException());
  try {
    std::rethrow_exception(failing->FatalException());
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "worker broke");
  }

  // An exception in a synchronised call goes to HandleException; the worker carries on.
  bool after = false;
  std::unique_ptr<TLambdaThread> t(TThread::New<TLambdaThread>([&](TLambdaThread& self) {
    self.Synchronize([] { throw Exception("handler broke"); });
    self.Synchronize([&] { after = true; });
  }));
  t->WaitFor();
  EXPECT_TRUE(after);
  ASSERT_EQ(Headless().ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(Headless().ShownMessageBoxes()[0].Text, "handler broke.");
}

TEST_F(ThreadTest, FreeOnTerminateThreadRunsOnTerminateOnTheUiThreadAndFreesItself) {
  bool terminated = false;
  bool onUi = false;
  auto* t = new TLambdaThread([](TLambdaThread&) { Sleep(50); }, true);
  t->SetFreeOnTerminate(true);
  t->OnTerminate = [&](TThread*) {
    terminated = true;
    onUi = IsMainThread();
  };
  t->Start();
  App().RunUntil([&] { return terminated; }, 1000);
  EXPECT_TRUE(terminated);
  EXPECT_TRUE(onUi);
  EXPECT_EQ(Now(), 50u);
  App().RunUntil(Now() + 10);  // the thread has ended once time moves again
}

// A control that owns a worker which keeps calling into the control.
class TBusyControl : public TGraphicControl {
 public:
  TBusyControl(TComponent* owner, int* touches) : TGraphicControl(owner), FTouches(touches) {
    FWorker.reset(TThread::New<TLambdaThread>([this](TLambdaThread& self) {
      while (!self.Terminated()) {
        self.Synchronize([this] { Touch(); });
        Sleep(10);
      }
    }));
  }
  ~TBusyControl() override {
    FWorker->TerminateAndWait();
    FWorker.reset();
    FAlive = false;
  }
  void Touch() {
    EXPECT_TRUE(FAlive);
    ++*FTouches;
    if (OnTouch) OnTouch();
  }
  std::function<void()> OnTouch;

 private:
  int* FTouches;
  bool FAlive = true;
  std::unique_ptr<TLambdaThread> FWorker;
};

TEST_F(ThreadTest, DestroyingAFormWhileItsWorkerWaitsInSynchronizeNeitherHangsNorCallsIn) {
  int touches = 0;
  auto* form = new TForm(nullptr);
  new TBusyControl(form, &touches);
  form->Show();
  App().RunUntil(25);  // calls at 0, 10, 20
  EXPECT_EQ(touches, 3);
  // Let the worker run into its next Synchronize (at 30) and leave it waiting there.
  App().RunUntil([&] { return false; }, 29);
  {
    std::unique_lock<std::mutex> lock(Platform().Clock().Lock());
    Platform().Clock().Quiesce(lock);
  }
  delete form;  // the pending call is dropped; the worker unwinds
  App().RunUntil(100);
  EXPECT_EQ(touches, 3);
}

TEST_F(ThreadTest, AnOwnerFreedInsideItsWorkersOwnCallDetachesTheWorker) {
  int touches = 0;
  auto* form = new TForm(nullptr);
  auto* control = new TBusyControl(form, &touches);
  control->OnTouch = [&] {
    if (touches == 2) delete form;  // from inside the worker's synchronised call
  };
  App().RunUntil(100);
  EXPECT_EQ(touches, 2);
}

TEST_F(ThreadTest, SuspendedThreadStartsOnlyWhenAsked) {
  bool ran = false;
  std::unique_ptr<TLambdaThread> t(new TLambdaThread([&](TLambdaThread&) { ran = true; }, true));
  EXPECT_TRUE(t->Suspended());
  App().RunUntil(100);
  EXPECT_FALSE(ran);
  t->Start();
  t->WaitFor();
  EXPECT_TRUE(ran);
  // Freed without ever starting: nothing to wait for.
  std::unique_ptr<TLambdaThread> never(new TLambdaThread([&](TLambdaThread&) { ran = false; }, true));
  never.reset();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace pictova
