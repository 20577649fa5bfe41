#include "foundation/services/event_pump.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/core/clock.h"
#include "tests/support/fake_clock.h"

namespace vorl {
namespace {

// The hooks are plain functions, so what they see and do lives here.
int gUpdates = 0;
bool gSwitchOn = false;
std::uint32_t gUpdateTakesTicks = 0;
test::FakeClock* gClock = nullptr;

void countUpdate() {
  ++gUpdates;
  if (gClock) gClock->advanceTicks(gUpdateTakesTicks);
}
bool pollSwitch() { return gSwitchOn; }

class EventPump : public testing::Test {
 protected:
  void SetUp() override {
    gUpdates = 0;
    gSwitchOn = true;
    gUpdateTakesTicks = 0;
    gClock = &clock_;
    setUpdateAllWindowsHook(&countUpdate);
    setPollEventsSwitchHook(&pollSwitch);
    mySetLastPollTicks(0);
  }
  void TearDown() override {
    setUpdateAllWindowsHook(nullptr);
    setPollEventsSwitchHook(nullptr);
    mySetLastPollTicks(0);
    gClock = nullptr;
  }

  test::FakeClock clock_;
};

TEST_F(EventPump, SwitchOffUpdatesNothing) {
  gSwitchOn = false;
  clock_.setTicks(100000);
  myPollEvent();
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 0);
  EXPECT_EQ(myGetLastPollTicks(), 0);
}

TEST_F(EventPump, WithoutASwitchTheSwitchIsOff) {
  setPollEventsSwitchHook(nullptr);
  clock_.setTicks(100000);
  myPollEvent();
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 0);
}

TEST_F(EventPump, SwitchOnUpdatesOnEveryPoll) {
  myPollEvent();
  myPollEvent();
  myPollEvent();
  EXPECT_EQ(gUpdates, 3);
}

TEST_F(EventPump, ApplicationPollsUpdateEvenWithTheSwitchOff) {
  gSwitchOn = false;
  myNewApplicationPollEvent();
  myApplicationPollEvent();
  doApplicationPollEvent();
  EXPECT_EQ(gUpdates, 3);
}

TEST_F(EventPump, OnTicksOnlyWhenMoreThanTheIntervalPassed) {
  ASSERT_EQ(myGetPollTicks(), 10);
  const struct {
    std::uint32_t ticksAfterLast;
    bool updates;
  } cases[] = {{0, false}, {1, false}, {9, false}, {10, false}, {11, true}, {12, true}, {600, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ticksAfterLast);
    gUpdates = 0;
    mySetLastPollTicks(5000);
    clock_.setTicks(5000 + c.ticksAfterLast);
    myPollEventOnTicks();
    EXPECT_EQ(gUpdates, c.updates ? 1 : 0);
    EXPECT_EQ(myGetLastPollTicks(), c.updates ? static_cast<std::int32_t>(5000 + c.ticksAfterLast) : 5000);
  }
}

TEST_F(EventPump, OnTicksTwiceWithinTheIntervalUpdatesOnce) {
  clock_.setTicks(2000);
  myPollEventOnTicks();
  clock_.advanceTicks(4);
  myPollEventOnTicks();
  clock_.advanceTicks(6);  // 10 after the update: not yet
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 1);
  clock_.advanceTicks(1);
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 2);
  EXPECT_EQ(myGetLastPollTicks(), 2011);
}

TEST_F(EventPump, TimeTheUpdateTookDoesNotCount) {
  gUpdateTakesTicks = 30;
  clock_.setTicks(2000);
  myPollEventOnTicks();
  ASSERT_EQ(gUpdates, 1);
  EXPECT_EQ(myGetLastPollTicks(), 2030);
  clock_.setTicks(2040);  // 40 ticks after the update began, only 10 after it ended
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 1);
  clock_.setTicks(2041);
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 2);
}

TEST_F(EventPump, OnTicksPastTheSignedRange) {
  // The tick count is unsigned; above 2^31 the interval still holds.
  const std::uint32_t start = 3'000'000'000u;
  clock_.setTicks(start);
  myPollEventOnTicks();
  ASSERT_EQ(gUpdates, 1);
  EXPECT_EQ(static_cast<std::uint32_t>(myGetLastPollTicks()), start);
  clock_.setTicks(start + 5);
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 1);
  clock_.setTicks(start + 11);
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 2);
}

TEST_F(EventPump, SettingTheLastPollTicks) {
  const struct {
    std::int32_t given, stored;
  } cases[] = {{-5, 0}, {-2147483647 - 1, 0}, {0, 0}, {1, 1}, {12345, 12345}, {2147483647, 2147483647}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(mySetLastPollTicks(c.given), c.stored);
    EXPECT_EQ(myGetLastPollTicks(), c.stored);
  }
}

TEST_F(EventPump, LastPollTicksSetAheadHoldsThePumpBack) {
  clock_.setTicks(1000);
  mySetLastPollTicks(995);
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 0);
  mySetLastPollTicks(-1);  // stored as 0: the next poll updates
  myPollEventOnTicks();
  EXPECT_EQ(gUpdates, 1);
}

}  // namespace
}  // namespace vorl
