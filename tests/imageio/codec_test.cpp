// Image files through the real codecs, checked with an independent decoder
// (ImageMagick).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "imageio/image_file.h"
#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::pumpFor;

constexpr const char* kMagick = "/usr/bin/convert";

// The RGB bytes ImageMagick decodes from a file; a wrong size shows in the
// pixels compared, as they say where they are.
std::vector<unsigned char> magickDecode(const std::string& path) {
  std::vector<unsigned char> rgb;
  const std::string cmd = std::string(kMagick) + " '" + path + "[0]' -depth 8 rgb:- 2>/dev/null";
  if (FILE* f = ::popen(cmd.c_str(), "r")) {
    unsigned char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) rgb.insert(rgb.end(), buf, buf + n);
    ::pclose(f);
  }
  return rgb;
}

class CodecTest : public test::FrameworkFixture {
 protected:
  void SetUp() override {
    FrameworkFixture::SetUp();
    if (!std::filesystem::exists(kMagick)) GTEST_SKIP() << "ImageMagick is not installed";
    startFramework();
    char tmpl[] = "/tmp/rozoru-codec-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    FrameworkFixture::TearDown();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(CodecTest, EveryFormatReadsBackElsewhereAndHostileFilesAreRefused) {
  // A 320 x 240 picture in slot 0 whose pixels say where they are.
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(0, "pic", 0, 0, 320, 240, 50), 0);
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        KAV_ImagePixels[0][y * 320 + x] =
            static_cast<Pixel32>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x + y) & 0xFF));
  });
  const char* names[] = {"a.bmp", "a.jpg", "a.gif", "a.png", "a.tif"};
  for (int format = 0; format < 5; ++format) {
    int result = -1;
    onWorker([&] { result = KAV_SaveImage(640, 240, format, (dir_ + "/a").c_str()); });
    ASSERT_EQ(result, 0) << format;
    const auto rgb = magickDecode(dir_ + "/" + names[format]);
    ASSERT_EQ(rgb.size(), 640u * 240u * 3u) << names[format];
    long worst = 0, total = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
      const int x = static_cast<int>(i / 3 % 640), y = static_cast<int>(i / 3 / 640), in = x < 320;
      const long e = std::max({std::labs(rgb[i] - in * (x & 0xFF)), std::labs(rgb[i + 1] - in * (y & 0xFF)),
                               std::labs(rgb[i + 2] - in * ((x + y) & 0xFF))});
      worst = std::max(worst, e);
      total += e;
    }
    // Lossy: JPEG rings at the sharp edges, GIF has 256 colours for a picture
    // with many more; both stay close on average. The others are exact.
    if (format == 1 || format == 2)
      EXPECT_LT(static_cast<double>(total) / (640.0 * 240.0), format == 1 ? 2.0 : 12.0) << names[format];
    else
      EXPECT_EQ(worst, 0) << names[format];
  }

  // A name that is not UTF-8 loads as it stands.
  const std::string odd = dir_ + "/\xff\xfe.png";
  std::filesystem::rename(dir_ + "/a.png", odd);
  int loaded = -1;
  onWorker([&] { loaded = KAV_LoadImage(odd.c_str(), 0, 0); });
  EXPECT_EQ(loaded, 0);

  // Hostile files are refused quietly, and so are formats not offered, which
  // a plugin would read.
  std::ofstream(dir_ + "/empty.png");
  std::ofstream(dir_ + "/noise.jpg") << std::string(5000, '\x5a');
  std::ofstream(dir_ + "/red.png") << "P3\n1 1\n255\n255 0 0\n";
  std::ifstream whole(odd, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  std::ofstream(dir_ + "/cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  for (const std::string name : {"empty.png", "noise.jpg", "red.png", "nothing-here.bmp", "", "cut.png"}) {
    int result = -1;
    onWorker([&] { result = KAV_LoadImage((dir_ + "/" + name).c_str(), 0, 0); });
    // A truncated PNG either fails or draws what it has; it never crashes.
    EXPECT_TRUE(result == 1 || (result == 0 && name == "cut.png")) << name << ": " << result;
  }

  // GIF sizes are 16 bits: a wider picture is refused, not saved wrapped.
  int wide = -1;
  onWorker([&] { wide = KAV_SaveImage(70000, 10, 2, (dir_ + "/wide").c_str()); });
  EXPECT_EQ(wide, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/wide.gif"));
}

TEST_F(CodecTest, AnEightBitBmpKeepsRowsTableAndResolution) {
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage8(1, "e", 0, 0, 5, 3, 100), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) KAV_ImageBytes[1][y * 8 + x] = static_cast<std::uint8_t>(10 * y + x);
    std::uint32_t table[256];
    for (std::uint32_t i = 0; i < 256; ++i) table[i] = (i << 16) | ((255 - i) << 8) | 7;
    KAV_SetColorTable(table, 256);
  });
  int result = -1;
  onWorker([&] { result = KAV_SaveImage(5, 3, 0, (dir_ + "/e").c_str()); });
  ASSERT_EQ(result, 0);
  std::ifstream in(dir_ + "/e.bmp", std::ios::binary);
  std::vector<unsigned char> bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bmp.size(), 54u + 1024u + 24u);
  auto u32 = [&](std::size_t at) { return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | static_cast<unsigned>(bmp[at + 3]) << 24; };
  EXPECT_EQ(bmp[28], 8);  // bits per pixel
  EXPECT_EQ(u32(38), 2834u);
  EXPECT_EQ(u32(42), 2834u);
  std::vector<unsigned char> want;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const auto i = static_cast<unsigned char>(10 * y + x);
      want.insert(want.end(), {i, static_cast<unsigned char>(255 - i), 7});
    }
  EXPECT_EQ(magickDecode(dir_ + "/e.bmp"), want);
}

}  // namespace
}  // namespace rozoru
