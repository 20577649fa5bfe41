#include "foundation/services/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "foundation/text/string_lists.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

// The text an item of the memory message list shows.
std::string memoryMessage(std::int16_t item) {
  Str255 text;
  EXPECT_TRUE(GetIndString(text, kMemoryErrorStrings, item)) << "list 4102 lacks item " << item;
  return text.toUtf8();
}

TEST(CreateHandle, MakesALockedNonPurgeableZeroFilledBlock) {
  test::MessageRecorder recorder;
  Handle handle = createHandle(nullptr, 16);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GetHandleSize(handle), 16);
  const signed char state = HGetState(handle);
  EXPECT_NE(state & kHandleLocked, 0);
  EXPECT_EQ(state & kHandlePurgeable, 0);
  EXPECT_EQ(std::vector<char>(*handle, *handle + 16), std::vector<char>(16, 0));
  EXPECT_TRUE(recorder.messages().empty());
  myDisposeHandle(handle);
}

TEST(CreateHandle, GivesBackAHandleOfTheSameSizeWithItsContents) {
  test::MessageRecorder recorder;
  Handle handle = createHandle(nullptr, 8);
  ASSERT_NE(handle, nullptr);
  std::memcpy(*handle, "contents", 8);

  Handle again = createHandle(handle, 8);
  EXPECT_EQ(again, handle);
  EXPECT_EQ(std::string(*again, 8), "contents");
  EXPECT_TRUE(recorder.messages().empty());
  myDisposeHandle(again);
}

TEST(CreateHandle, ReplacesAHandleOfAnotherSize) {
  test::MessageRecorder recorder;
  Handle handle = createHandle(nullptr, 8);
  ASSERT_NE(handle, nullptr);
  std::memcpy(*handle, "contents", 8);

  // The old block is freed (the leak checker would see it otherwise); the new one is zero-filled.
  Handle bigger = createHandle(handle, 32);
  ASSERT_NE(bigger, nullptr);
  EXPECT_EQ(GetHandleSize(bigger), 32);
  EXPECT_EQ(std::vector<char>(*bigger, *bigger + 32), std::vector<char>(32, 0));
  EXPECT_NE(HGetState(bigger) & kHandleLocked, 0);
  EXPECT_TRUE(recorder.messages().empty());
  myDisposeHandle(bigger);
}

TEST(CreateHandle, SizeBelowOneAnswersNull) {
  test::MessageRecorder recorder;
  for (const std::int64_t size : {0LL, -1LL, -4096LL}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(createHandle(nullptr, size), nullptr);
    // An existing handle is freed all the same.
    EXPECT_EQ(createHandle(createHandle(nullptr, 4), size), nullptr);
  }
  EXPECT_TRUE(recorder.messages().empty());
}

// Under AddressSanitizer an allocation this large stops the program unless the sanitizer is told to answer null
// (ctest runs the tests with ASAN_OPTIONS=allocator_may_return_null=1).
bool hugeAllocationsStopTheProgram() {
#if defined(__SANITIZE_ADDRESS__)
  constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  constexpr bool sanitized = true;
#else
  constexpr bool sanitized = false;
#endif
#else
  constexpr bool sanitized = false;
#endif
  const char* options = std::getenv("ASAN_OPTIONS");
  return sanitized && (!options || !std::strstr(options, "allocator_may_return_null=1"));
}

TEST(CreateHandle, ImpossibleSizeAnswersNullAndTellsTheOperator) {
  if (hugeAllocationsStopTheProgram()) GTEST_SKIP() << "needs ASAN_OPTIONS=allocator_may_return_null=1";
  test::MessageRecorder recorder;
  EXPECT_EQ(createHandle(nullptr, std::numeric_limits<std::int64_t>::max()), nullptr);
  // The memory error itself (not enough memory), then that no block could be made.
  EXPECT_EQ(recorder.messages(), (std::vector<std::string>{memoryMessage(7), memoryMessage(5)}));
}

TEST(MemoryErrors, ItemShownForEachCode) {
  const struct {
    OSErr code;
    std::int16_t memoryItem, resourceItem;  // 0: nothing shown
  } cases[] = {
      {noErr, 0, 0},          {memFullErr, 7, 7},
      {nilHandleErr, 0, 8},  // the memory side stays quiet about a nil handle
      {memWZErr, 9, 9},       {memPurErr, 10, 10},
      {memLockedErr, 11, 11}, {resNotFound, 13, 13},
      {resFNotFound, 14, 14}, {addResFailed, 12, 12},
      {-1, 15, 16},           {fnfErr, 15, 16},
      {-110, 15, 16},         {1, 15, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const auto expected = [](std::int16_t item) {
      return item == 0 ? std::vector<std::string>{} : std::vector<std::string>{memoryMessage(item)};
    };
    {
      test::MessageRecorder recorder;
      EXPECT_EQ(checkMyMemError(c.code), c.code);
      EXPECT_EQ(recorder.messages(), expected(c.memoryItem));
    }
    {
      test::MessageRecorder recorder;
      EXPECT_EQ(myCheckResError(c.code), c.code);
      EXPECT_EQ(recorder.messages(), expected(c.resourceItem));
    }
  }
}

TEST(MemoryWrappers, NullHandleOrPointerDoesNothing) {
  test::MessageRecorder recorder;
  signed char state = 0x11;
  EXPECT_EQ(myHLock(nullptr), 0);
  EXPECT_EQ(myHUnlock(nullptr), 0);
  EXPECT_EQ(myHNoPurge(nullptr), 0);
  EXPECT_EQ(myGetHandleState(nullptr, &state), 0);
  EXPECT_EQ(myRestoreHandleState(nullptr, 0), 0);
  EXPECT_EQ(myDisposeHandle(nullptr), 0);
  EXPECT_EQ(myDisposePtr(nullptr), 0);
  EXPECT_EQ(myReleaseResource(nullptr), 0);
  EXPECT_TRUE(recorder.messages().empty());
}

TEST(MemoryWrappers, LockStateIsSavedAndRestored) {
  test::MessageRecorder recorder;
  Handle handle = createHandle(nullptr, 4);
  ASSERT_NE(handle, nullptr);

  signed char saved = 0x11;
  ASSERT_EQ(myGetHandleState(handle, &saved), 1);
  EXPECT_NE(saved & kHandleLocked, 0);

  EXPECT_EQ(myHUnlock(handle), noErr);
  EXPECT_EQ(HGetState(handle) & kHandleLocked, 0);
  EXPECT_EQ(myHLock(handle), noErr);
  EXPECT_NE(HGetState(handle) & kHandleLocked, 0);
  EXPECT_EQ(myHUnlock(handle), noErr);

  EXPECT_EQ(myRestoreHandleState(handle, saved), 1);
  EXPECT_EQ(HGetState(handle), saved);

  HSetState(handle, kHandlePurgeable);
  EXPECT_EQ(myHNoPurge(handle), noErr);
  EXPECT_EQ(HGetState(handle) & kHandlePurgeable, 0);

  EXPECT_TRUE(recorder.messages().empty());
  myDisposeHandle(handle);
}

TEST(MemoryWrappers, DisposingALockedHandleOrAPointerIsQuiet) {
  test::MessageRecorder recorder;
  Handle handle = createHandle(nullptr, 64);
  ASSERT_NE(handle, nullptr);
  HSetState(handle, static_cast<signed char>(kHandleLocked | kHandlePurgeable));
  EXPECT_EQ(myDisposeHandle(handle), 0);

  Ptr pointer = NewPtr(64);
  ASSERT_NE(pointer, nullptr);
  EXPECT_EQ(myDisposePtr(pointer), 0);
  EXPECT_TRUE(recorder.messages().empty());
}

TEST(MemoryWrappers, ReleasingAResource) {
  test::MessageRecorder recorder;
  Handle resource = NewHandle(10);
  ASSERT_NE(resource, nullptr);
  HSetRBit(resource);
  EXPECT_EQ(myReleaseResource(resource), 0);
  EXPECT_TRUE(recorder.messages().empty());

  // A handle that is no resource cannot be released: the resource error is shown and the handle stays.
  Handle plain = NewHandle(10);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(myReleaseResource(plain), 0);
  EXPECT_EQ(recorder.messages(), std::vector<std::string>{memoryMessage(13)});
  EXPECT_EQ(GetHandleSize(plain), 10);
  DisposeHandle(plain);
}

}  // namespace
}  // namespace vorl
