#include "DriverStop.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta::preuninstall {
namespace {

// A driver that behaves as a row says, and writes down what was asked of it.
struct ScriptedDriver : DriverProcess {
  bool window = true;
  bool named = true;
  bool answersClose = true;
  bool windowGoes = true;
  int endsAtWait = 1;  // which process wait sees the end (1st, 2nd); 0: never
  bool terminable = true;

  std::string calls;
  int waits = 0;

  bool Note(const char* call, bool result) {
    calls += calls.empty() ? call : std::string(" ") + call;
    return result;
  }
  bool WindowPresent() override { return Note("find", window); }
  bool NameProcess() override { return Note("name", named); }
  bool RequestClose() override { return Note("close", answersClose); }
  bool WaitWindowGone(std::chrono::milliseconds) override { return Note("window-gone?", windowGoes); }
  bool WaitProcessEnded(std::chrono::milliseconds) override { return Note("ended?", ++waits == endsAtWait); }
  bool Terminate() override { return Note("terminate", terminable); }
};

TEST(StopDriverRule, StoppedOnlyOnceTheProcessHasEnded) {
  const struct {
    const char* name;
    ScriptedDriver driver;
    bool stopped;
    const char* calls;
  } cases[] = {
      {"NoDriver", [] { ScriptedDriver d; d.window = false; return d; }(), true, "find"},
      {"ClosesAndEnds", {}, true, "find name close window-gone? ended?"},
      {"LingersAfterItsWindowThenTerminated", [] { ScriptedDriver d; d.endsAtWait = 2; return d; }(), true,
       "find name close window-gone? ended? terminate ended?"},
      {"CloseNotAnswered", [] { ScriptedDriver d; d.answersClose = false; return d; }(), true,
       "find name close terminate ended?"},
      {"WindowStays", [] { ScriptedDriver d; d.windowGoes = false; return d; }(), true,
       "find name close window-gone? terminate ended?"},
      {"TerminationRefused", [] { ScriptedDriver d; d.endsAtWait = 0; d.terminable = false; return d; }(), false,
       "find name close window-gone? ended? terminate"},
      {"TerminatedButNeverEnds", [] { ScriptedDriver d; d.answersClose = false; d.endsAtWait = 0; return d; }(),
       false, "find name close terminate ended?"},
      {"WindowWentBeforeItsProcessWasNamed", [] { ScriptedDriver d; d.named = false; return d; }(), false,
       "find name"},
  };
  for (auto c : cases) {
    EXPECT_EQ(StopDriver(c.driver), c.stopped) << c.name;
    EXPECT_EQ(c.driver.calls, c.calls) << c.name;
  }
}

}  // namespace
}  // namespace orvanta::preuninstall
