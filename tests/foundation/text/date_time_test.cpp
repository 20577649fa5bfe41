#include "foundation/text/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/core/baton.h"
#include "platform/core/clock.h"
#include "tests/support/fake_clock.h"

namespace vorl {
namespace {

std::string text(const Str255& s) { return std::string(s.macRoman()); }

TEST(CurrentDate, FormsOnWednesdayMarch7th2012) {
  test::FakeClock clock;  // 2012-03-07 14:00:00, a Wednesday
  const struct {
    std::int16_t code;
    const char* expected;
  } cases[] = {
      {0, "03-07-2012"},
      {3, "03-07-2012"},
      {4, "2012-03-07"},
      {99, "20120307"},
      {1, "Wednesday, March 7, 2012"},
      {2, "Wed, Mar 7, 2012"},
      // Any other code is the abbreviated long date.
      {7, "Wed, Mar 7, 2012"},
      {5, "Wed, Mar 7, 2012"},
      {98, "Wed, Mar 7, 2012"},
      {100, "Wed, Mar 7, 2012"},
      {-1, "Wed, Mar 7, 2012"},
      {-32768, "Wed, Mar 7, 2012"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(text(getCurrentDateString(c.code)), c.expected);
  }
}

TEST(CurrentDate, PaddingNamesAndTheEndsOfTheDay) {
  test::FakeClock clock;
  const struct {
    int year, month, day, hour, minute, second;
    std::int16_t code;
    const char* expected;
  } cases[] = {
      {2001, 1, 2, 12, 0, 0, 3, "01-02-2001"},
      {2001, 1, 2, 12, 0, 0, 4, "2001-01-02"},
      {2001, 1, 2, 12, 0, 0, 99, "20010102"},
      {2001, 1, 2, 12, 0, 0, 1, "Tuesday, January 2, 2001"},
      {2012, 12, 31, 23, 59, 59, 3, "12-31-2012"},
      {2012, 12, 31, 23, 59, 59, 1, "Monday, December 31, 2012"},
      {2013, 1, 1, 0, 0, 0, 99, "20130101"},
      {2012, 3, 4, 8, 0, 0, 1, "Sunday, March 4, 2012"},
      {2012, 3, 10, 8, 0, 0, 2, "Sat, Mar 10, 2012"},
      {2012, 2, 29, 8, 0, 0, 4, "2012-02-29"},
      {2012, 9, 14, 8, 0, 0, 1, "Friday, September 14, 2012"},
      {2012, 9, 14, 8, 0, 0, 2, "Fri, Sep 14, 2012"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute
                                    << ", code " << c.code);
    clock.setLocalTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
    EXPECT_EQ(text(getCurrentDateString(c.code)), c.expected);
  }
}

TEST(TimeText, HourWithoutLeadingZeroThenMinuteAndSecond) {
  const struct {
    std::int16_t hour, minute, second;
    const char* expected;
  } cases[] = {
      {14, 0, 0, "140000"}, {0, 0, 9, "00009"},     {9, 5, 7, "90507"},  {0, 0, 0, "00000"},
      {10, 0, 0, "100000"}, {23, 59, 59, "235959"}, {1, 10, 1, "11001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hour << ":" << c.minute << ":" << c.second);
    DateTimeRec when;
    when.year = 2012, when.month = 3, when.day = 7;
    when.hour = c.hour, when.minute = c.minute, when.second = c.second;
    EXPECT_EQ(text(getTimeString(&when)), c.expected);
  }
  EXPECT_EQ(text(getTimeString(nullptr)), "");
}

TEST(TimeText, CurrentTimeFollowsTheClock) {
  test::FakeClock clock;
  EXPECT_EQ(text(getCurrentTimeString()), "140000");
  clock.setLocalTime(2012, 3, 7, 8, 30, 5);
  EXPECT_EQ(text(getCurrentTimeString()), "83005");
}

TEST(WaitFor, SleepsTheGivenTicks) {
  test::FakeClock clock;
  const std::uint32_t start = TickCount();
  waitfor(30);
  EXPECT_EQ(clock.ticksSlept(), 30u);
  EXPECT_EQ(TickCount() - start, 30u);

  for (const std::int32_t ticks : {0, -1, -60}) {
    SCOPED_TRACE(ticks);
    waitfor(ticks);
    EXPECT_EQ(clock.ticksSlept(), 30u);
  }
}

// A clock whose sleep checks that another thread can take the baton meanwhile.
class BatonProbeClock final : public Clock {
 public:
  BatonProbeClock() { setClock(this); }
  ~BatonProbeClock() override {
    setClock(nullptr);
    if (other_.joinable()) other_.join();
  }

  std::chrono::system_clock::time_point now() const override { return {}; }
  std::uint32_t ticks() const override { return ticks_; }
  void sleepTicks(std::uint32_t ticks) override {
    heldWhileSleeping = batonHeldByThisThread();
    other_ = std::thread([this] {
      acquireBaton();
      taken_.set_value();
      releaseBaton();
    });
    // Were the baton still held here, the other thread would have to wait until the test lets go of it.
    otherRan = taken_.get_future().wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    ticks_ += ticks;
  }

  void joinOther() {
    if (other_.joinable()) other_.join();
  }

  bool heldWhileSleeping = true;
  bool otherRan = false;

 private:
  std::uint32_t ticks_ = 0;
  std::promise<void> taken_;
  std::thread other_;
};

TEST(WaitFor, LetsGoOfTheBatonWhileSleeping) {
  BatonProbeClock clock;
  acquireBaton();
  waitfor(5);
  EXPECT_TRUE(batonHeldByThisThread());
  releaseBaton();
  clock.joinOther();
  EXPECT_FALSE(clock.heldWhileSleeping);
  EXPECT_TRUE(clock.otherRan);
  EXPECT_EQ(clock.ticks(), 5u);
}

TEST(WaitFor, DoesNotTakeTheBatonWhenNotHeld) {
  test::FakeClock clock;
  ASSERT_FALSE(batonHeldByThisThread());
  waitfor(3);
  EXPECT_FALSE(batonHeldByThisThread());
  EXPECT_EQ(clock.ticksSlept(), 3u);
}

}  // namespace
}  // namespace vorl
