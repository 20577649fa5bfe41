// A folder made unreadable for the calling thread while the object lives, even when the tests run as root.
//
// Its permission bits are cleared; root, whom those bits do not stop, also gives up overriding them
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) in this thread's effective set. Both come back at the end. Linux keeps
// capabilities per thread, so the rest of the test process is not affected.
#pragma once

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

namespace vorl::test {

class UnreadableFolder {
 public:
  explicit UnreadableFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    saved_ = std::filesystem::status(folder_).permissions();
    std::filesystem::permissions(folder_, std::filesystem::perms::none);
    if (::geteuid() == 0) lowerOverrides();
  }
  ~UnreadableFolder() {
    if (lowered_) EXPECT_EQ(::syscall(SYS_capset, &header_, caps_), 0);
    std::filesystem::permissions(folder_, saved_);
  }
  UnreadableFolder(const UnreadableFolder&) = delete;
  UnreadableFolder& operator=(const UnreadableFolder&) = delete;

 private:
  void lowerOverrides() {
    ASSERT_EQ(::syscall(SYS_capget, &header_, caps_), 0);
    __user_cap_data_struct lowered[2] = {caps_[0], caps_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ASSERT_EQ(::syscall(SYS_capset, &header_, lowered), 0);
    lowered_ = true;
  }

  std::filesystem::path folder_;
  std::filesystem::perms saved_{};
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps_[2]{};
  bool lowered_ = false;
};

}  // namespace vorl::test
