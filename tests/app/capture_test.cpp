// Capture saving on the real file system, in a private current directory,
// with a picture writer that can be told to fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/capture.h"

namespace fs = std::filesystem;

namespace stereo {
namespace {

std::string slurp(const fs::path& p) {
  std::stringstream ss;
  ss << std::ifstream(p, std::ios::binary).rdbuf();
  return ss.str();
}

// Writes "JPEG:<n>" as the picture; fails it when told.
class FakeSink final : public CaptureSink {
 public:
  bool saveJpeg(const std::string& path) override {
    if (failPicture) return false;
    std::ofstream(path + ".jpg") << "JPEG:" << ++pictures;
    return true;
  }
  bool failPicture = false;
  int pictures = 0;
};

// The text files' system calls: a file named failName cannot be created (the
// disk is full), and the failFsync-th flush (from 1) fails.
std::string failName;
int fsyncs = 0, failFsync = 0;
const rozoru::imageio::FileCalls calls = [] {
  rozoru::imageio::FileCalls c = rozoru::imageio::systemFileCalls();
  c.open = [](const char* path, int flags, mode_t mode) {
    if (!failName.empty() && std::string(path).ends_with(failName)) return errno = ENOSPC, -1;
    return ::open(path, flags, mode);
  };
  c.fsync = [](int fd) { return ++fsyncs == failFsync ? (errno = EIO, -1) : ::fsync(fd); };
  return c;
}();

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/rozoru-capture-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  // Every path under the current directory.
  std::set<std::string> tree() const {
    std::set<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) paths.insert(fs::relative(e.path(), dir_).string());
    return paths;
  }

  fs::path dir_, old_;
  FakeSink sink;
  std::string printed;
  Print out = [this](const std::string& text) { printed += text; };
  const std::tm t = [] {
    std::tm r{};
    r.tm_year = 109, r.tm_mon = 11, r.tm_mday = 6, r.tm_hour = 14, r.tm_min = 3, r.tm_sec = 59;
    return r;
  }();
};

TEST_F(Capture, EventModeWritesAFolderWithThreeTextFilesAndNeverReplacesOne) {
  EXPECT_EQ(saveEventCapture(t, sink, 42, 12345, out), "091206/140359");
  EXPECT_EQ(saveEventCapture(t, sink, 7, 42, out), "091206/140359_2");
  EXPECT_EQ(saveEventCapture(t, sink, 3, 3, out), "091206/140359_3");
  EXPECT_TRUE(printed.starts_with("091206/140359/orig\n0042\n091206/140359_2/orig\n0007\n")) << printed;
  const std::map<std::string, std::string> files = {
      {"140359/orig.jpg", "JPEG:1"}, {"140359/date.txt", "091206"},  {"140359/user.txt", "140359"},
      {"140359/pass.txt", "12345"},  {"140359_2/orig.jpg", "JPEG:2"}, {"140359_2/user.txt", "140359_2"},
      {"140359_2/pass.txt", "0042"}, {"140359_3/date.txt", "091206"}};
  for (const auto& [file, text] : files) EXPECT_EQ(slurp("091206/" + file), text) << file;
  EXPECT_EQ(tree().size(), 1u + 3 * 5);  // the date folder; per capture its folder and four files, nothing left over
}

TEST_F(Capture, AFailedPictureOrTextFileRemovesTheWholeCaptureButNotEarlierOnes) {
  saveEventCapture(t, sink, 1, 1, out);
  const auto before = tree();
  failName = "pass.txt";
  EXPECT_EQ(saveEventCapture(t, sink, 2, 2, out, calls), "");
  failName.clear();
  EXPECT_EQ(tree(), before);
  EXPECT_TRUE(printed.ends_with("Capture not saved: cannot create 091206/140359_2/pass.txt (No space left on device)\n"));
  EXPECT_EQ(slurp("091206/140359/pass.txt"), "0001");
  fs::remove_all("091206");
  // Three files, the time and date folders and the current one reach the
  // device; any of them failing undoes the capture.
  for (failFsync = 1; failFsync <= 7; ++failFsync) {
    printed.clear();
    fsyncs = 0;
    const std::string saved = saveEventCapture(t, sink, 1, 1, out, calls);
    EXPECT_EQ(saved.empty(), failFsync <= 6) << failFsync;
    EXPECT_EQ(fsyncs, std::min(failFsync, 6));
    EXPECT_EQ(tree().empty(), failFsync <= 6) << failFsync;
    EXPECT_EQ(printed.find("Capture not saved: cannot write ") != std::string::npos, failFsync <= 6) << printed;
  }
  failFsync = 0;
  fs::remove_all("091206");
  printed.clear();
  sink.failPicture = true;
  EXPECT_EQ(saveEventCapture(t, sink, 1, 1, out), "");
  EXPECT_TRUE(tree().empty());
  EXPECT_EQ(printed, "091206/140359/orig\nCapture not saved: cannot write 091206/140359/orig.jpg\n");
}

TEST_F(Capture, ADateFolderThatIsAFileIsReported) {
  std::ofstream("091206") << "x";
  EXPECT_EQ(saveEventCapture(t, sink, 1, 1, out), "");
  EXPECT_EQ(printed, "Capture not saved: cannot create folder 091206 (Not a directory)\n");
  EXPECT_EQ(sink.pictures, 0);
  EXPECT_EQ(slurp("091206"), "x");
}

TEST_F(Capture, NormalModeWritesOneTimeStampedFileAndNeverReplacesOne) {
  EXPECT_EQ(saveSingleCapture(t, sink, out), "091206_14_03_59.jpg");
  EXPECT_EQ(saveSingleCapture(t, sink, out), "091206_14_03_59_2.jpg");
  EXPECT_EQ(slurp("091206_14_03_59.jpg"), "JPEG:1");
  EXPECT_EQ(slurp("091206_14_03_59_2.jpg"), "JPEG:2");
  sink.failPicture = true;
  EXPECT_EQ(saveSingleCapture(t, sink, out), "");
  EXPECT_EQ(tree(), (std::set<std::string>{"091206_14_03_59.jpg", "091206_14_03_59_2.jpg"}));
  EXPECT_EQ(printed, "091206_14_03_59\n091206_14_03_59_2\n091206_14_03_59_3\n"
                     "Capture not saved: cannot write 091206_14_03_59_3.jpg\n");
}

TEST(Password, DrawsCoverTheRange) {
  std::set<int> seen;
  int high = 0;
  for (int i = 0; i < 2000; ++i) {
    const int v = securePassword();
    ASSERT_TRUE(v >= 0 && v <= 32767) << v;
    seen.insert(v);
    high += v >= 16384;
  }
  EXPECT_GT(seen.size(), 1850u);                   // 2000 draws from 32768 values rarely collide much
  EXPECT_TRUE(high > 800 && high < 1200) << high;  // the top bit is used
}

}  // namespace
}  // namespace stereo
