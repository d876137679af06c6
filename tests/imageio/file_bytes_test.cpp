// Whole files on their raw path, on the real file system, with the system
// calls of a write made to fail one at a time and the disk made to fill up
// at every byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "imageio/file_bytes.h"

namespace fs = std::filesystem;

namespace rozoru::imageio {
namespace {

// The nth call (from 1) of kind `failing` fails; writes stop with ENOSPC
// once `room` bytes are written, and write at most 3 bytes a call.
struct Faults {
  std::string failing;
  int nth = 0;
  std::size_t room = SIZE_MAX;
  std::map<std::string, int> seen;
  std::size_t written = 0;
} g;

bool failsNow(const std::string& kind, int err) {
  if (++g.seen[kind] != g.nth || g.failing != kind) return false;
  errno = err;
  return true;
}
int fOpen(const char* p, int flags, mode_t mode) { return failsNow("open", EACCES) ? -1 : ::open(p, flags, mode); }
ssize_t fWrite(int fd, const void* data, size_t n) {
  const std::size_t left = g.room - g.written;
  if (left == 0) return errno = ENOSPC, -1;
  const ssize_t r = ::write(fd, data, std::min({n, left, std::size_t{3}}));
  g.written += r > 0 ? static_cast<std::size_t>(r) : 0;
  return r;
}
int fFsync(int fd) { return failsNow("fsync", EIO) ? -1 : ::fsync(fd); }
int fClose(int fd) { return ::close(fd) != 0 || failsNow("close", EIO) ? -1 : 0; }
int fRename(const char* from, const char* to) { return failsNow("rename", EXDEV) ? -1 : ::rename(from, to); }
const FileCalls faulty{fOpen, fWrite, fFsync, fClose, fRename, ::unlink};

Bytes bytes(const std::string& s) { return {s.begin(), s.end()}; }
unsigned modeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class FileBytes : public ::testing::Test {
 protected:
  void SetUp() override {
    char t[] = "/tmp/rozoru-files-XXXXXX";
    ASSERT_NE(::mkdtemp(t), nullptr);
    dir = t;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::set<std::string> names() const {
    std::set<std::string> n;
    for (const auto& e : fs::directory_iterator(dir)) n.insert(e.path().filename().string());
    return n;
  }
  std::string dir;
};

TEST_F(FileBytes, EveryFailedWriteLeavesTheOldFileWholeAndNothingElse) {
  const std::string path = dir + "/picture.png", fresh = dir + "/new.txt";
  const Bytes old = bytes("old picture"), next = bytes("the new picture, longer");
  // open 1 is the folder's, open 2 the new file's.
  std::vector<std::tuple<std::string, int, std::size_t>> cases = {
      {"open", 1, SIZE_MAX}, {"open", 2, SIZE_MAX}, {"fsync", 1, SIZE_MAX}, {"close", 1, SIZE_MAX}, {"rename", 1, SIZE_MAX}};
  for (std::size_t p = 0; p < next.size(); ++p) cases.emplace_back("", 0, p);
  for (const auto& [failing, nth, room] : cases) {
    SCOPED_TRACE(failing + " " + std::to_string(nth) + " room " + std::to_string(room));
    ASSERT_EQ(replaceFile(path, old), "");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    g = {failing, nth, room, {}, 0};
    EXPECT_NE(replaceFile(path, next, faulty), "");
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(modeOf(path), 0640u);
    // A file created new is gone whole after its failure (it opens one file
    // and renames none).
    g = {failing, nth == 2 ? 1 : nth, room, {}, 0};
    if (g.failing != "rename") {
      EXPECT_NE(writeNewFile(fresh, next, faulty), "");
    }
    EXPECT_EQ(names(), std::set<std::string>{"picture.png"});
  }
  // Only the folder's flush failing: the new file is in place, whole, and yet
  // the failure is told, since the rename may not outlast a power cut.
  g = {"fsync", 2, SIZE_MAX, {}, 0};
  EXPECT_NE(replaceFile(path, next, faulty), "");
  EXPECT_EQ(readFile(path), next);
  g = {};
  EXPECT_EQ(replaceFile(path, old, faulty), "");
  EXPECT_EQ(writeNewFile(fresh, next, faulty), "");
  EXPECT_EQ((std::map<std::string, int>{{"open", 3}, {"fsync", 3}, {"close", 3}, {"rename", 1}}), g.seen);
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(modeOf(path), 0640u);
  EXPECT_NE(writeNewFile(fresh, old), "");  // never over an existing file
  EXPECT_EQ(readFile(fresh), next);
  EXPECT_NE(syncFolder(dir + "/none"), "");
}

TEST_F(FileBytes, NamesAreRawBytesOfAnyLengthAndLinksLeadToTheFileReplaced) {
  const mode_t umask = ::umask(022);
  // Not UTF-8, and as long as a name can be.
  const std::string odd = std::string("\xe9t\xe9") + std::string(248, 'n') + ".png";
  EXPECT_EQ(replaceFile(dir + "/" + odd, bytes("odd")), "");
  EXPECT_EQ(readFile(dir + "/" + odd), bytes("odd"));
  EXPECT_EQ(modeOf(dir + "/" + odd), 0644u);
  ::umask(umask);
  // link.png -> sub/link -> ../real.png, both relative to their own folders.
  fs::create_directory(dir + "/sub");
  fs::create_symlink("../real.png", dir + "/sub/link");
  fs::create_symlink("sub/link", dir + "/link.png");
  EXPECT_EQ(replaceFile(dir + "/link.png", bytes("through")), "");
  EXPECT_EQ(readFile(dir + "/real.png"), bytes("through"));
  EXPECT_TRUE(fs::is_symlink(dir + "/link.png") && fs::is_symlink(dir + "/sub/link"));
  EXPECT_EQ(names(), (std::set<std::string>{odd, "link.png", "real.png", "sub"}));
  EXPECT_NE(replaceFile(dir + "/sub", bytes("x")), "");
}

TEST_F(FileBytes, ReadingRefusesWhatIsNotARegularFileOfBoundedSize) {
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  ASSERT_EQ(replaceFile(dir + "/big", Bytes(101, 7)), "");
  const std::pair<std::string, std::string> refused[] = {
      {"pipe", "not a regular file"}, {".", "not a regular file"}, {"big", "larger than"}};  // a pipe not waited on
  for (const auto& [name, why] : refused) {
    std::string error;
    EXPECT_EQ(readFile(dir + "/" + name, 100, &error), std::nullopt) << name;
    EXPECT_TRUE(error.starts_with(why)) << name << ": " << error;
  }
  EXPECT_EQ(readFile(dir + "/big", 101), Bytes(101, 7));
}

}  // namespace
}  // namespace rozoru::imageio
