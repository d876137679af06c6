// Instance numbers held by lock files.
#include <gtest/gtest.h>

#include <sys/stat.h>
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

// In a shared /tmp another user could otherwise hold every number, or have
// us create or lock files wherever a link points.
TEST_F(InstanceLockTest, OnlyAPrivateFolderOfOursIsUsed) {
  std::string foreign = "/";  // not ours, unless we are root
  if (::geteuid() == 0) {
    foreign = dir + "/foreign";
    ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  }
  const std::string open = dir + "/open", real = dir + "/real", linked = dir + "/linked";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0770), 0);
  ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(real.c_str(), linked.c_str()), 0);
  const std::pair<std::string, std::string> refused[] = {
      {foreign, "belongs to another user"}, {open, "can be written by other users"}, {linked, "not a folder"}};
  for (const auto& [where, why] : refused) {
    InstanceLock l;
    EXPECT_EQ(l.acquire(where), -1) << where;
    EXPECT_NE(l.error().find(why), std::string::npos) << l.error();
  }
  EXPECT_TRUE(std::filesystem::is_empty(real));
  EXPECT_TRUE(std::filesystem::is_empty(open));

  // A lock file that is a link is not followed.
  const std::string target = dir + "/target";
  ASSERT_EQ(::symlink(target.c_str(), (real + "/rozoru_mw0.lock").c_str()), 0);
  InstanceLock l;
  EXPECT_EQ(l.acquire(real), -1);
  EXPECT_NE(l.error().find("is a link"), std::string::npos) << l.error();
  EXPECT_FALSE(std::filesystem::exists(target));

  // A missing folder is made private.
  const std::string made = dir + "/made";
  const mode_t old = ::umask(0);
  EXPECT_EQ(l.acquire(made), 0) << l.error();
  ::umask(old);
  EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace rozoru
