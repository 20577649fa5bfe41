// The live preference records, their accessors, and the hook that lets the event pumps read the print-server
// setting "poll events" (+30).
#include "preferences/preference_globals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "foundation/services/event_pump.h"
#include "preferences/factory_defaults.h"
#include "preferences/preference_hooks.h"
#include "tests/support/fake_clock.h"

namespace vorl {
namespace {

using ::testing::HasSubstr;

TEST(PreferenceGlobals, EightSetsLieOneAfterAnother) {
  tSpecialPrintToFilePref* all = getMyPrintToFileSetPrefsAll();
  ASSERT_NE(all, nullptr);
  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(getMyPrintToFileSetPrefs(n), all + n - 1);
  }
  EXPECT_EQ(reinterpret_cast<const char*>(getMyPrintToFileSetPrefs(8)) - reinterpret_cast<const char*>(all), 7 * 982);
}

// A set number can come from a job file; one outside 1..8 gets no record, and the log says which number it was.
TEST(PreferenceGlobals, SetNumberOutsideOneToEightAnswersNull) {
  const std::int16_t numbers[] = {
      0, -1, 9, 10, 100, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()};
  for (const std::int16_t n : numbers) {
    SCOPED_TRACE(n);
    testing::internal::CaptureStderr();
    const tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(n);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(set, nullptr);
    EXPECT_THAT(log, HasSubstr(std::to_string(n)));
  }
}

TEST(PreferenceGlobals, SetNumbersOneToEightAreQuiet) {
  testing::internal::CaptureStderr();
  for (std::int16_t n = 1; n <= kPrintToFileSetCount; ++n) EXPECT_NE(getMyPrintToFileSetPrefs(n), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Each accessor answers the one live record, every time, and no two records share a byte.
TEST(PreferenceGlobals, RecordsAreDistinctAndStable) {
  const std::vector<std::pair<const void*, std::size_t>> records = {
      {getMyPrintServerPrefs(), sizeof(tPrintServerPrefs)},
      {getMyPrintToFilePrefs(), sizeof(tPrintToFilePrefs)},
      {getMyProcessedJobsPrefs(), sizeof(tProcessedJobsPrefs)},
      {getMyPrintToFileSetPrefsAll(), sizeof(tSpecialPrintToFilePref) * kPrintToFileSetCount},
      {getMyPrintToCDSetPrefs(), sizeof(tPrintToCDPref)},
      {getMyOutputFilePrefs(), sizeof(tOutputFilePrefs)},
      {getMyWebUploadPrefs(), sizeof(tSpecialPrintToFilePref)},
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_NE(records[i].first, nullptr);
    for (std::size_t j = i + 1; j < records.size(); ++j) {
      const auto a = reinterpret_cast<std::uintptr_t>(records[i].first);
      const auto b = reinterpret_cast<std::uintptr_t>(records[j].first);
      EXPECT_TRUE(a + records[i].second <= b || b + records[j].second <= a) << "records " << i << " and " << j;
    }
  }
  EXPECT_EQ(getMyPrintServerPrefs(), records[0].first);
  EXPECT_EQ(getMyWebUploadPrefs(), records[6].first);

  getMyOutputFilePrefs()->outputQuality = 80;
  EXPECT_EQ(getMyOutputFilePrefs()->outputQuality, 80);
}

int gWindowUpdates = 0;
void countWindowUpdate() { ++gWindowUpdates; }

// Puts the event pump's default hooks back, whatever the test did.
struct EventPumpHooksReset {
  ~EventPumpHooksReset() {
    setUpdateAllWindowsHook(nullptr);
    setPollEventsSwitchHook(nullptr);
  }
};

// Sets "poll events" through its stored offset, as storage would.
void setPollEventsField(std::int16_t value) {
  std::memcpy(reinterpret_cast<unsigned char*>(getMyPrintServerPrefs()) + 30, &value, sizeof value);
}

TEST(PreferenceHooks, PollEventUpdatesWindowsOnlyWhilePollEventsIsOn) {
  EventPumpHooksReset reset;
  ASSERT_EQ(setMyPrintServerPrefToFactoryDefaults(getMyPrintServerPrefs()), 1);
  setUpdateAllWindowsHook(&countWindowUpdate);
  installPreferenceHooks();
  // The hook reads the live record at every call, so changing the setting takes effect at once.
  const struct {
    std::int16_t pollEvents;
    int updates;
  } cases[] = {{1, 1}, {0, 0}, {2, 1}, {0, 0}, {-1, 1}, {std::numeric_limits<std::int16_t>::min(), 1}, {0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pollEvents);
    setPollEventsField(c.pollEvents);
    gWindowUpdates = 0;
    myPollEvent();
    EXPECT_EQ(gWindowUpdates, c.updates);
  }
}

TEST(PreferenceHooks, OtherPrintServerFieldsDoNotSwitchPolling) {
  EventPumpHooksReset reset;
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  std::memset(static_cast<void*>(prefs), 0xFF, sizeof *prefs);
  setPollEventsField(0);
  setUpdateAllWindowsHook(&countWindowUpdate);
  installPreferenceHooks();
  gWindowUpdates = 0;
  myPollEvent();
  EXPECT_EQ(gWindowUpdates, 0);
}

TEST(PreferenceHooks, TickPollFollowsTheSameSwitch) {
  EventPumpHooksReset reset;
  test::FakeClock clock;
  ASSERT_EQ(setMyPrintServerPrefToFactoryDefaults(getMyPrintServerPrefs()), 1);
  setUpdateAllWindowsHook(&countWindowUpdate);
  installPreferenceHooks();
  mySetLastPollTicks(0);

  setPollEventsField(0);
  gWindowUpdates = 0;
  clock.advanceTicks(100);
  myPollEventOnTicks();
  EXPECT_EQ(gWindowUpdates, 0);

  setPollEventsField(1);
  myPollEventOnTicks();
  EXPECT_EQ(gWindowUpdates, 1);
}

TEST(PreferenceHooks, WithoutTheHooksPollingStaysOff) {
  EventPumpHooksReset reset;
  ASSERT_EQ(setMyPrintServerPrefToFactoryDefaults(getMyPrintServerPrefs()), 1);
  ASSERT_EQ(getMyPrintServerPrefs()->pollEvents, 1);
  installPreferenceHooks();
  setPollEventsSwitchHook(nullptr);  // as before start-up installs them
  setUpdateAllWindowsHook(&countWindowUpdate);
  gWindowUpdates = 0;
  myPollEvent();
  EXPECT_EQ(gWindowUpdates, 0);
}

}  // namespace
}  // namespace vorl
