// Handles: zero-filled blocks behind a master pointer, the state byte that callers save and restore, and the
// result codes the Memory and Resource Managers left for MemError and ResError.
#include "platform/core/handles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <thread>

namespace vorl {
namespace {

// Owns a handle for a test; ReleaseResource tests take it back with release().
struct HandleOwner {
  explicit HandleOwner(Handle h) : handle(h) {}
  ~HandleOwner() {
    if (handle) DisposeHandle(handle);
  }
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  Handle release() {
    Handle h = handle;
    handle = nullptr;
    return h;
  }
  Handle handle;
};

// Leaves MemError at noErr, so a following check sees what the call under test did.
void resetMemError() {
  HandleOwner probe(NewHandle(1));
  ASSERT_EQ(MemError(), noErr);
}

TEST(Handles, NewHandleIsZeroFilledWithItsSize) {
  for (const std::int64_t size : {std::int64_t{0}, std::int64_t{1}, std::int64_t{70}, std::int64_t{65537}}) {
    SCOPED_TRACE(size);
    HandleOwner owner(NewHandle(size));
    ASSERT_NE(owner.handle, nullptr);
    EXPECT_EQ(MemError(), noErr);
    ASSERT_NE(*owner.handle, nullptr);  // even an empty block has a master pointer that points somewhere
    EXPECT_EQ(GetHandleSize(owner.handle), size);
    EXPECT_EQ(MemError(), noErr);
    for (std::int64_t i = 0; i < size; ++i) ASSERT_EQ((*owner.handle)[i], 0) << "byte " << i;
    EXPECT_EQ(HGetState(owner.handle), 0);
  }
}

TEST(Handles, BlockIsWritableToItsLastByte) {
  HandleOwner owner(NewHandle(300));
  ASSERT_NE(owner.handle, nullptr);
  for (int i = 0; i < 300; ++i) (*owner.handle)[i] = static_cast<char>(i);
  EXPECT_EQ(static_cast<unsigned char>((*owner.handle)[299]), 299 % 256);
}

TEST(Handles, StateBitsFollowLockUnlockAndNoPurge) {
  HandleOwner owner(NewHandle(16));
  const Handle h = owner.handle;
  ASSERT_NE(h, nullptr);
  const struct {
    const char* step;
    std::function<void()> action;
    signed char state;
  } steps[] = {
      {"lock", [h] { HLock(h); }, kHandleLocked},
      {"lock again", [h] { HLock(h); }, kHandleLocked},
      {"unlock", [h] { HUnlock(h); }, 0},
      {"set purgeable and locked", [h] { HSetState(h, static_cast<signed char>(kHandleLocked | kHandlePurgeable)); },
       static_cast<signed char>(kHandleLocked | kHandlePurgeable)},
      {"no purge keeps the lock", [h] { HNoPurge(h); }, kHandleLocked},
      {"mark as resource", [h] { HSetRBit(h); }, static_cast<signed char>(kHandleLocked | kHandleResource)},
      {"unlock keeps the resource bit", [h] { HUnlock(h); }, kHandleResource},
      {"set purgeable", [h] { HSetState(h, kHandlePurgeable); }, kHandlePurgeable},
      {"unlock keeps purgeable", [h] { HUnlock(h); }, kHandlePurgeable},
      {"lock keeps purgeable", [h] { HLock(h); }, static_cast<signed char>(kHandleLocked | kHandlePurgeable)},
      {"clear all", [h] { HSetState(h, 0); }, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    s.action();
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(HGetState(h), s.state);
  }
}

// The pattern callers use: remember the state, lock for the work, put back what was there.
TEST(Handles, SavedStateComesBack) {
  HandleOwner owner(NewHandle(8));
  ASSERT_NE(owner.handle, nullptr);
  const signed char states[] = {0, kHandleLocked, kHandlePurgeable,
                                static_cast<signed char>(kHandleLocked | kHandleResource)};
  for (const signed char before : states) {
    SCOPED_TRACE(static_cast<int>(before));
    HSetState(owner.handle, before);
    const signed char saved = HGetState(owner.handle);
    HLock(owner.handle);
    HNoPurge(owner.handle);
    HSetState(owner.handle, saved);
    EXPECT_EQ(HGetState(owner.handle), before);
  }
}

TEST(Handles, NullHandleSetsNilHandleErr) {
  const struct {
    const char* call;
    std::function<void()> action;
  } calls[] = {
      {"DisposeHandle", [] { DisposeHandle(nullptr); }},
      {"GetHandleSize", [] { EXPECT_EQ(GetHandleSize(nullptr), 0); }},
      {"HLock", [] { HLock(nullptr); }},
      {"HUnlock", [] { HUnlock(nullptr); }},
      {"HNoPurge", [] { HNoPurge(nullptr); }},
      {"HGetState", [] { EXPECT_EQ(HGetState(nullptr), 0); }},
      {"HSetState", [] { HSetState(nullptr, kHandleLocked); }},
      {"HSetRBit", [] { HSetRBit(nullptr); }},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.call);
    resetMemError();
    c.action();
    EXPECT_EQ(MemError(), nilHandleErr);
  }
}

TEST(Handles, ImpossibleSizeSetsMemFullErr) {
  const std::int64_t sizes[] = {
      -1, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
      std::int64_t{1} << 50,  // passes the size checks; no allocator hands out a petabyte
  };
  for (const std::int64_t size : sizes) {
    SCOPED_TRACE(size);
    resetMemError();
    EXPECT_EQ(NewHandle(size), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    resetMemError();
    EXPECT_EQ(NewPtr(size), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
  }
}

TEST(Handles, SuccessClearsAnEarlierError) {
  EXPECT_EQ(NewHandle(-1), nullptr);
  ASSERT_EQ(MemError(), memFullErr);
  HandleOwner owner(NewHandle(4));
  EXPECT_EQ(MemError(), noErr);
  HLock(nullptr);
  ASSERT_EQ(MemError(), nilHandleErr);
  HLock(owner.handle);
  EXPECT_EQ(MemError(), noErr);
}

TEST(Handles, MemErrorBelongsToItsThread) {
  HLock(nullptr);
  ASSERT_EQ(MemError(), nilHandleErr);
  OSErr seenElsewhere = nilHandleErr;
  std::thread other([&] { seenElsewhere = MemError(); });
  other.join();
  EXPECT_EQ(seenElsewhere, noErr);
  EXPECT_EQ(MemError(), nilHandleErr);
}

TEST(Handles, NewPtrIsZeroFilled) {
  const Ptr p = NewPtr(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MemError(), noErr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0) << "byte " << i;
  DisposePtr(p);
  EXPECT_EQ(MemError(), noErr);
}

TEST(Handles, ReleaseResourceLeavesAnOrdinaryHandleAlone) {
  HandleOwner owner(NewHandle(32));
  ASSERT_NE(owner.handle, nullptr);
  (*owner.handle)[31] = 'x';
  HLock(owner.handle);
  ReleaseResource(owner.handle);
  EXPECT_EQ(ResError(), resNotFound);
  // Still ours, intact and in the same state; the owner disposes of it.
  EXPECT_EQ(GetHandleSize(owner.handle), 32);
  EXPECT_EQ((*owner.handle)[31], 'x');
  EXPECT_EQ(HGetState(owner.handle), kHandleLocked);
}

TEST(Handles, ReleaseResourceOfNullIsResNotFound) {
  ReleaseResource(nullptr);
  EXPECT_EQ(ResError(), resNotFound);
}

// The block is gone afterwards; LeakSanitizer (on in the sanitizer build) reports it if it is not.
TEST(Handles, ReleaseResourceFreesAResourceHandle) {
  ReleaseResource(nullptr);
  ASSERT_EQ(ResError(), resNotFound);
  HandleOwner owner(NewHandle(64));
  ASSERT_NE(owner.handle, nullptr);
  HSetRBit(owner.handle);
  ASSERT_EQ(HGetState(owner.handle) & kHandleResource, kHandleResource);
  ReleaseResource(owner.release());
  EXPECT_EQ(ResError(), noErr);
}

}  // namespace
}  // namespace vorl
