// Instance numbers held by lock files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "shell/core/instance_lock.h"

namespace rozoru {
namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/rozoru-lock-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir;
};

TEST_F(InstanceLockTest, TenNumbersThenTheLimit) {
  std::array<InstanceLock, 10> held;
  for (int i = 0; i < 10; ++i) ASSERT_EQ(held[static_cast<std::size_t>(i)].acquire(dir), i);
  InstanceLock eleventh;
  EXPECT_EQ(eleventh.acquire(dir), -1);
  EXPECT_TRUE(eleventh.error().empty());  // the limit, not a failure

  held[3].release();
  EXPECT_EQ(eleventh.acquire(dir), 3);
}

TEST_F(InstanceLockTest, ACrashedHolderFreesItsNumber) {
  InstanceLock first;
  ASSERT_EQ(first.acquire(dir), 0);
  // A child takes number 1 and dies without cleaning up.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock l;
    ::_exit(l.acquire(dir) == 1 ? 0 : 1);  // the kernel releases the lock
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  InstanceLock next;
  EXPECT_EQ(next.acquire(dir), 1);
}

TEST_F(InstanceLockTest, AnUnusableDirectoryIsReported) {
  const std::string file = dir + "/plain-file";
  std::ofstream(file) << "x";
  InstanceLock l;
  EXPECT_EQ(l.acquire(file + "/sub"), -1);
  EXPECT_NE(l.error().find(file), std::string::npos) << l.error();
}

}  // namespace
}  // namespace rozoru
