// Instance numbers held by lock files.
#include <gtest/gtest.h>

#include <sys/stat.h>
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

// In a shared /tmp another user could otherwise hold every number, or have
// us create or lock files wherever a link points. A folder that cannot be
// made is named in the error.
TEST_F(InstanceLockTest, OnlyAUsablePrivateFolderOfOursIsUsed) {
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
  const std::string file = dir + "/plain-file", target = dir + "/target";
  std::ofstream(file) << "x";
  ASSERT_EQ(::symlink(target.c_str(), (real + "/rozoru_mw0.lock").c_str()), 0);
  // The last but one is refused for its lock file.
  const std::pair<std::string, std::string> refused[] = {
      {foreign, "belongs to another user"}, {open, "can be written by other users"}, {linked, "not a folder"},
      {real, "is a link"}, {file + "/sub", file}};
  for (const auto& [where, why] : refused) {
    InstanceLock l;
    EXPECT_EQ(l.acquire(where), -1) << where;
    EXPECT_NE(l.error().find(why), std::string::npos) << l.error();
  }
  EXPECT_TRUE(std::filesystem::is_empty(open));
  EXPECT_FALSE(std::filesystem::exists(target));  // no link is followed
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real), std::filesystem::directory_iterator()), 1);

  // A missing folder is made private.
  InstanceLock l;
  const std::string made = dir + "/made";
  const mode_t old = ::umask(0);
  EXPECT_EQ(l.acquire(made), 0) << l.error();
  ::umask(old);
  EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace rozoru
