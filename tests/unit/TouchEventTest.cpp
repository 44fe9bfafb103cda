#include "base/TouchEvent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvanta {
namespace {

class TouchEventTest : public ::testing::Test {
protected:
  TouchEvent::Token Recorder(const std::string& name, bool setCancel = false) {
    return event_.Subscribe([this, name, setCancel](const TouchPoint&, bool& cancel) {
      calls_.push_back(name + (cancel ? "+" : "-"));
      if (setCancel) cancel = true;
    });
  }

  TouchEvent event_;
  std::vector<std::string> calls_;
  const TouchPoint point_{10, 20, 'B'};
};

TEST_F(TouchEventTest, SubscribersRunInOrderShareCancelAndEachRaiseStartsWithCancelFalse) {
  EXPECT_FALSE(event_.Raise(point_)) << "no subscriber";
  const auto a = Recorder("a");
  Recorder("b", true);
  Recorder("c");
  EXPECT_TRUE(event_.Raise(point_));
  event_.Unsubscribe(a);
  event_.Unsubscribe(999);  // unknown tokens are ignored
  EXPECT_TRUE(event_.Raise(point_));
  // c sees the Cancel that b set; b starts each raise with it clear.
  EXPECT_EQ(calls_, (std::vector<std::string>{"a-", "b-", "c+", "b-", "c+"}));
  EXPECT_EQ(event_.SubscriberCount(), 2u);
}

TEST_F(TouchEventTest, HandlerMayRemoveItselfWhileRunning) {
  TouchEvent::Token self = 0;
  // Captures that live in the function object must survive its own removal.
  const std::string name = "self";
  self = event_.Subscribe([this, &self, name](const TouchPoint&, bool&) {
    event_.Unsubscribe(self);
    calls_.push_back(name);
  });
  Recorder("after");
  event_.Raise(point_);
  event_.Raise(point_);
  EXPECT_EQ(calls_, (std::vector<std::string>{"self", "after-", "after-"}));
}

TEST_F(TouchEventTest, HandlerAddedDuringRaiseWaitsForTheNextRaise) {
  bool added = false;
  event_.Subscribe([&](const TouchPoint&, bool&) {
    calls_.push_back("a");
    // Enough subscriptions to force the list to grow under the raise.
    if (!added) {
      added = true;
      for (int i = 0; i < 32; ++i) Recorder("new" + std::to_string(i));
    }
  });
  event_.Raise(point_);
  EXPECT_EQ(calls_, (std::vector<std::string>{"a"}));
  calls_.clear();
  event_.Raise(point_);
  EXPECT_EQ(calls_.size(), 33u);
  EXPECT_EQ(event_.SubscriberCount(), 33u);
}

TEST_F(TouchEventTest, NestedRaiseKeepsRemovalsPendingUntilTheOuterEnds) {
  TouchEvent::Token b = 0;
  int depth = 0;
  event_.Subscribe([&](const TouchPoint&, bool&) {
    calls_.push_back("a" + std::to_string(depth));
    if (depth++ == 0) {
      event_.Unsubscribe(b);
      event_.Raise(point_);  // a dialog pumping messages inside a handler
    }
  });
  b = Recorder("b");
  Recorder("c");
  event_.Raise(point_);
  EXPECT_EQ(calls_, (std::vector<std::string>{"a0", "a1", "c-", "c-"}));
  EXPECT_EQ(event_.SubscriberCount(), 2u);
}

}  // namespace
}  // namespace orvanta
