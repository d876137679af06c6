// Loading into and saving from image slots, with an in-memory codec.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <iterator>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>

#include "image/slots.h"
#include "imageio/image_file.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/fake_window_system.h"

namespace rozoru::imageio {
namespace {

// A file's text names the picture it decodes to; encoding records what it
// was given and makes two bytes, or fails (or runs out of memory) on request.
class FakeCodec final : public Codec {
 public:
  std::map<std::string, Picture> files;
  std::optional<Picture> decode(const Bytes& file) override {
    if (noMemory) throw std::bad_alloc();
    if (auto it = files.find(std::string(file.begin(), file.end())); it != files.end()) return it->second;
    return std::nullopt;
  }
  std::vector<Encoder> encoders() override {
    std::vector<Encoder> out;
    for (int f = 0; f < 5; ++f)
      if (f != missingFormat) out.push_back(Encoder{mimeType(f), &FakeCodec::encode});
    return out;
  }
  static bool encode(const EncodeSource& s, Bytes& out) {
    if (noMemory) throw std::bad_alloc();
    last = s;  // its pointers are only good during the call
    out.assign({'o', 'k'});
    return !failWrites;
  }
  int missingFormat = -1;
  static inline EncodeSource last;
  static inline bool failWrites = false;
  static inline bool noMemory = false;
};

// A picture owning its pixels, rows `stride` apart.
Picture picture(int w, int h, std::vector<std::uint32_t> argb, int stride = 0) {
  auto pixels = std::make_shared<const std::vector<std::uint32_t>>(std::move(argb));
  return Picture{w, h, pixels->data(), stride ? stride : w, pixels, {}};
}

// Pixels that say where they are, in rows with 3 pixels of padding.
Picture gradient(int w, int h) {
  std::vector<std::uint32_t> argb;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) argb.push_back(0xFF000000u | static_cast<std::uint32_t>((x << 12) | y));
    argb.insert(argb.end(), 3, 0xFFFFFFFFu);
  }
  return picture(w, h, std::move(argb), w + 3);
}

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetShell();
    setCurrentPump(&pump_);
    shell().attach(&ws_, &pump_);
    codec_ = std::make_shared<FakeCodec>();
    setCodec(codec_);
    FakeCodec::failWrites = FakeCodec::noMemory = false;
    KAV_JpegQuality = 100;
    char tmpl[] = "/tmp/rozoru-imageio-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    releaseAllImages();
    setCodec(nullptr);
    resetShell();
    setCurrentPump(nullptr);
    std::filesystem::remove_all(dir_);
  }
  // How many files the folder holds.
  long files() const { return std::distance(std::filesystem::directory_iterator(dir_), {}); }
  // A file in the folder that decodes to p; its path.
  std::string put(const std::string& name, Picture p) {
    std::ofstream(dir_ + "/" + name) << name;
    codec_->files[name] = std::move(p);
    return dir_ + "/" + name;
  }

  QueuePump pump_;
  test::FakeWindowSystem ws_;
  std::shared_ptr<FakeCodec> codec_;
  std::string dir_;
};

TEST(Extensions, AppendedUnlessTheLastFourCharactersAreItAndOnlyReadableOnesOffered) {
  EXPECT_EQ(withExtension("picture.BMP", 0), "picture.BMP");
  EXPECT_EQ(withExtension("ab", 3), "ab.png");
  EXPECT_EQ(withExtension("x.jpeg", 1), "x.jpeg.jpg");
  EXPECT_EQ(withExtension("x.tiff", 4), "x.tiff.tif");
  EXPECT_EQ(withExtension("shot.Jpg", 1), "shot.Jpg");
  EXPECT_EQ(withExtension(".gif", 2), ".gif");
  // The open dialog offers only formats that are decoded and have a reader.
  EXPECT_EQ(offeredOpenFilters([](const char* f) { return std::string(f) != "ico"; }), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(offeredOpenFilters([](const char*) { return true; }), (std::vector<int>{1, 2, 3, 4, 5, 6, 9}));
}

TEST_F(ImageFileTest, LoadResultsAndClipping) {
  const std::string big = put("big", gradient(640, 480));
  EXPECT_EQ(KAV_LoadImage(big.c_str(), 0, 0), 2);  // no current image yet
  ASSERT_EQ(KAV_CreateImage(0, "a", 0, 0, 320, 240, 50), 0);
  EXPECT_EQ(KAV_LoadImage((dir_ + "/missing").c_str(), 0, 0), 1);
  EXPECT_EQ(KAV_ImagePixels[0][0], 0u);

  ASSERT_EQ(KAV_LoadImage(big.c_str(), 0, 0), 0);
  EXPECT_EQ(KAV_ImagePixels[0][0], 0u);
  EXPECT_EQ(KAV_ImagePixels[0][239 * 320 + 319], static_cast<Pixel32>((319 << 12) | 239));
  // At x = -320 the top-right quarter shows.
  ASSERT_EQ(KAV_LoadImage(big.c_str(), -320, 0), 0);
  EXPECT_EQ(KAV_ImagePixels[0][0], static_cast<Pixel32>(320 << 12));
  EXPECT_EQ(KAV_ImagePixels[0][239 * 320 + 319], static_cast<Pixel32>((639 << 12) | 239));

  // A small picture covers only its rectangle.
  for (int i = 0; i < 320 * 240; ++i) KAV_ImagePixels[0][i] = 0x00777777;
  const std::string small = put("small", gradient(10, 5));
  ASSERT_EQ(KAV_LoadImage(small.c_str(), 300, 238), 0);
  const auto px = [](int x, int y) { return KAV_ImagePixels[0][y * 320 + x]; };
  EXPECT_EQ((std::array{px(300, 238), px(309, 239), px(310, 239), px(300, 237), px(299, 238)}),
            (std::array<Pixel32, 5>{0, (9 << 12) | 1, 0x777777, 0x777777, 0x777777}));
  // Entirely outside: nothing changes, still a success.
  EXPECT_EQ(KAV_LoadImage(small.c_str(), 5000, -5000), 0);
  // No memory to decode: 1, and the program goes on.
  FakeCodec::noMemory = true;
  EXPECT_EQ(KAV_LoadImage(small.c_str(), 0, 0), 1);
}

TEST_F(ImageFileTest, TransparentPixelsBlendDropsRestoreTheCurrentImageAndLoadKeepsIt) {
  ASSERT_EQ(KAV_CreateImage(0, "a", 0, 0, 3, 1, 100), 0);
  for (int i = 0; i < 3; ++i) KAV_ImagePixels[0][i] = 0x000000FF;
  ASSERT_EQ(KAV_LoadImage(put("alpha", picture(3, 1, {0x00FF0000u, 0x80FF0000u, 0xFFFF0000u})).c_str(), 0, 0), 0);
  EXPECT_EQ(std::vector<Pixel32>(KAV_ImagePixels[0], KAV_ImagePixels[0] + 3),
            (std::vector<Pixel32>{0x000000FF, 0x0080007F, 0x00FF0000}));

  // A dropped file loads into its window and the current image is restored.
  const std::string pic = put("pic", gradient(4, 4));
  ASSERT_EQ(KAV_CreateImage(1, "b", 0, 0, 4, 4, 100), 0);
  ASSERT_EQ(KAV_CurrentImage(), 1);
  loadDropped(0, pic);
  EXPECT_EQ(KAV_ImagePixels[0][2], static_cast<Pixel32>(2 << 12));
  EXPECT_EQ(KAV_CurrentImage(), 1);
  // "&Load image file" loads into its window, which stays the current image.
  struct Chosen final : FileDialogs {
    std::string path;
    std::optional<std::string> open() override { return path; }
    std::optional<std::string> save() override { return std::nullopt; }
  };
  auto chosen = std::make_shared<Chosen>();
  chosen->path = put("pic2", gradient(4, 4));
  setFileDialogs(chosen);
  KAV_ImagePixels[0][2] = 0;
  loadWithDialog(0);
  setFileDialogs(nullptr);
  EXPECT_TRUE(KAV_ImagePixels[0][2] == static_cast<Pixel32>(2 << 12) && KAV_CurrentImage() == 0);
}

TEST_F(ImageFileTest, APaletteReplacesOnlyItsEntriesAndColoursMapToTheNearest) {
  ASSERT_EQ(KAV_CreateImage8(0, "p", 0, 0, 4, 1, 100), 0);
  // Palette colours, a grey that only the untouched ramp has, and a near miss.
  Picture p = picture(4, 1, {0xFF0000FFu, 0xFF3000FFu, 0xFF808080u, 0xFF3100FEu});
  for (std::uint32_t i = 0; i < 16; ++i) p.palette.push_back(0x100000u * i + 0x0000FF);
  ASSERT_EQ(KAV_LoadImage(put("sixteen", p).c_str(), 0, 0), 0);
  std::uint32_t table[256];
  KAV_GetColorTable(table);
  EXPECT_EQ(table[0], 0x0000FFu);
  EXPECT_EQ(table[15], 0xF000FFu);
  EXPECT_EQ(table[16], 0x101010u);  // the grey ramp goes on
  EXPECT_EQ(std::vector<int>(KAV_ImageBytes[0], KAV_ImageBytes[0] + 4), (std::vector<int>{0, 3, 128, 3}));

  // A file that cannot be read leaves the table as it was.
  KAV_LoadImage((dir_ + "/missing").c_str(), 0, 0);
  KAV_GetColorTable(table);
  EXPECT_EQ(table[0], 0x0000FFu);
}

TEST_F(ImageFileTest, SavingResultsQualityFileModesAndFailures) {
  EXPECT_EQ(KAV_SaveImage(10, 10, 0, (dir_ + "/x").c_str()), 3);
  ASSERT_EQ(KAV_CreateImage(0, "a", 0, 0, 320, 240, 50), 0);
  EXPECT_EQ(KAV_SaveImage(0, 240, 1, (dir_ + "/x").c_str()), 2);
  KAV_JpegQuality = 77;
  // A new file gets 0666 less the umask; a file saved over keeps its mode.
  const mode_t oldMask = ::umask(027);
  ASSERT_EQ(KAV_SaveImage(640, 240, 1, (dir_ + "/pair").c_str()), 0);
  const auto mode = [&] { return std::filesystem::status(dir_ + "/pair.jpg").permissions(); };
  EXPECT_EQ(mode(), static_cast<std::filesystem::perms>(0640));
  std::filesystem::permissions(dir_ + "/pair.jpg", static_cast<std::filesystem::perms>(0604));
  ASSERT_EQ(KAV_SaveImage(640, 240, 1, (dir_ + "/pair").c_str()), 0);
  EXPECT_EQ(mode(), static_cast<std::filesystem::perms>(0604));
  ::umask(oldMask);
  EXPECT_EQ(FakeCodec::last.width, 640);
  EXPECT_EQ(FakeCodec::last.quality, 77);
  EXPECT_EQ(files(), 1);
  std::filesystem::remove(dir_ + "/pair.jpg");

  // A failed save, or one with no memory to encode, keeps the old file and
  // leaves no part of the new.
  const std::string target = dir_ + "/keep.png";
  std::ofstream(target) << "the earlier capture";
  FakeCodec::failWrites = true;
  EXPECT_EQ(KAV_SaveImage(8, 8, 3, (dir_ + "/keep").c_str()), 1);
  FakeCodec::noMemory = true;
  EXPECT_EQ(KAV_SaveImage(8, 8, 3, (dir_ + "/keep").c_str()), 1);
  FakeCodec::noMemory = false;
  EXPECT_EQ(files(), 1);
  std::string content;
  std::getline(std::ifstream(target), content);
  EXPECT_EQ(content, "the earlier capture");

  // No encoder for the type, or no folder to write in: 1 as well.
  FakeCodec::failWrites = false;
  codec_->missingFormat = 4;
  EXPECT_EQ(KAV_SaveImage(8, 8, 4, (dir_ + "/t").c_str()), 1);
  EXPECT_EQ(KAV_SaveImage(8, 8, 3, (dir_ + "/no/such/folder/x").c_str()), 1);
  EXPECT_EQ(KAV_SaveImage(8, 8, 9, (dir_ + "/x").c_str()), 1);
  EXPECT_EQ(files(), 1);
}

}  // namespace
}  // namespace rozoru::imageio
