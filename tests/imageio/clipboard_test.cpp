// Image windows' Cut, Copy and Paste and the main window's paste as a new
// image, on the in-memory window system's clipboard.
#include "imageio/clipboard.h"

#include "image/image_commands.h"
#include "imageio/dib_block.h"
#include "tests/image/draw_fixture.h"
#include "tests/shell/worker_fixture.h"

namespace rozoru::test {
namespace {

using imageio::Bytes;

// A w x h picture whose pixel (x, y) is x << 8 | y, as a BMP file.
Bytes gradientBmp(int w, int h) {
  std::vector<std::uint32_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.push_back(static_cast<std::uint32_t>(x << 8 | y));
  imageio::EncodeSource s;
  s.width = w, s.height = h, s.rgb = px.data();
  return imageio::bmpFileFromDib(imageio::buildDibBlock(s));
}

struct NoMemoryCodec final : imageio::Codec {  // its PNG encoder runs out of memory
  std::optional<imageio::Picture> decode(const Bytes&) override { return std::nullopt; }
  std::vector<imageio::Encoder> encoders() override {
    return {{"image/png", [](const imageio::EncodeSource&, Bytes&) -> bool { throw std::bad_alloc(); }}};
  }
};

class ClipboardTest : public DrawTest {
 protected:
  void SetUp() override { DrawTest::SetUp(), imageio::installClipboard(); }
  void TearDown() override { imageClipboardHooks() = {}, DrawTest::TearDown(); }
  // Posts command c to image id's window, then input for a pick it starts, and dispatches.
  void command(int id, int c, Msg input = Msg::None, int x = 0) {
    windowTable().post(Message{kav_image[id].window, Msg::Command, c, 0, 0, {}});
    if (input != Msg::None) windowTable().post(Message{kav_image[id].window, input, 0, packXY(x, x), 0, {}});
    pump_.dispatchPending();
  }
};

// Copy, then Ctrl+V into the same image: unchanged. Cut: black, and the
// picture on the clipboard; a Cut whose copy failed, or ran out of memory
// ("No enough memory for copy"), keeps the picture.
TEST_F(ClipboardTest, CopyPasteBackAndCut) {
  ASSERT_EQ(KAV_CreateImage(0, "c", 0, 0, 5, 2, 100), 0);
  for (Pixel32 i = 0; i < 10; ++i) KAV_ImagePixels[0][i] = 0x10305 * (i + 1);
  const std::vector<Pixel32> before(KAV_ImagePixels[0], KAV_ImagePixels[0] + 10);
  command(0, imgcmd::Copy);
  std::fill_n(KAV_ImagePixels[0], 10, 0xABCDEFu);
  windowTable().post(Message{kav_image[0].window, Msg::KeyDown, 'V', 0, mods::Ctrl, {}});
  pump_.dispatchPending();
  EXPECT_EQ(std::vector<Pixel32>(KAV_ImagePixels[0], KAV_ImagePixels[0] + 10), before);

  ws_.failClipboard = true;
  command(0, imgcmd::Cut);
  imageio::setCodec(std::make_shared<NoMemoryCodec>());
  ws_.failClipboard = false;
  command(0, imgcmd::Cut);
  imageio::setCodec(nullptr);
  EXPECT_TRUE(ws_.messages() == std::vector<std::string>{"0 Pause: No enough memory for copy"} &&
              ws_.clipboardTypes().empty() && KAV_ImagePixels[0][9] == before[9]);
  command(0, imgcmd::Cut);
  EXPECT_EQ(std::count(KAV_ImagePixels[0], KAV_ImagePixels[0] + 10, 0u), 10);
  const Bytes bmp = ws_.clipboardData("image/bmp");
  EXPECT_EQ(imageio::readBmpFile(bmp.data(), bmp.size())->rgb, before);
}

// Paste clicked at (10, 10): a 100 x 100 picture centred there lands only
// with its bottom-right 60 x 60 part.
TEST_F(ClipboardTest, PasteAtAClickCentresThePicture) {
  ASSERT_EQ(KAV_CreateImage(1, "p", 0, 0, 80, 80, 100), 0);
  ws_.setClipboard({{"image/bmp", gradientBmp(100, 100)}});
  const int c = (10 * kav_image[1].zoom + 99) / 100;  // the window's point over image point (10, 10)
  command(1, imgcmd::Paste, Msg::LButtonDown, c);
  EXPECT_TRUE(at(1, 0, 0) == (40u << 8 | 40) && at(1, 59, 59) == (99u << 8 | 99));
  EXPECT_TRUE(at(1, 60, 59) == 0 && at(1, 59, 60) == 0);
}

// A 16-colour picture (our own bare block type) into an 8-bit image replaces
// its entries 0-15 and keeps its indices; into a 32-bit image its colours.
TEST_F(ClipboardTest, SixteenColourPasteReplacesTheFirstSixteenEntries) {
  Bytes block(40 + 64 + 4, 0);
  block[0] = 40, block[4] = 2, block[8] = 1, block[12] = 1, block[14] = 4, block[104] = 0xF3;  // indices 15, 3
  for (std::size_t i = 0; i < 16; ++i) block[40 + 4 * i + 1] = static_cast<std::uint8_t>(16 * i + 1);  // green
  ws_.setClipboard({{imageio::kDibMimeType, block}});
  ASSERT_EQ(KAV_CreateImage8(2, "8", 0, 0, 4, 4, 100), 0);
  std::uint32_t table[256], grey[256];
  for (std::uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101u;
  KAV_SetColorTable(grey, 256);
  KAV_PasteFromClipboard(2, 1, 1);
  KAV_GetColorTable(table);
  EXPECT_TRUE(table[0] == 0x000100 && table[15] == 0x00F100 && table[16] == grey[16]);
  EXPECT_TRUE(at(2, 1, 1) == 15 && at(2, 2, 1) == 3 && at(2, 0, 0) == 0 && at(2, 3, 1) == 0);
  ASSERT_EQ(KAV_CreateImage(3, "32", 0, 0, 4, 4, 100), 0);
  KAV_PasteFromClipboard(3, 0, 0);
  EXPECT_TRUE(at(3, 0, 0) == 0x00F100 && at(3, 1, 0) == 0x003100);
}

// The main window's Paste: "002" in the lowest free slot with the picture,
// the image current before current again; nothing with an empty clipboard.
// (The menu's lock while KAV_Main runs is the main menu test's.)
TEST_F(WorkerFixture, PasteAsNewImageMakesTheLowestFreeSlotAndRestoresTheCurrentImage) {
  installImageSlots();
  imageio::installClipboard();
  startAndWaitForInit();
  onWorker([] { KAV_CreateImage(0, "a", 0, 0, 4, 4, 100), KAV_CreateImage(1, "b", 0, 0, 4, 4, 100); });
  EXPECT_EQ(imageio::pasteAsNewImage(), -1);
  ws_.setClipboard({{"image/bmp", gradientBmp(3, 2)}});
  EXPECT_EQ(imageio::pasteAsNewImage(), 2);
  onWorker([] {
    const ImageSlot& s = kav_image[2];
    EXPECT_TRUE(s.title == "002" && s.bitDepth == 32 && s.width == 3 && s.height == 2 && KAV_CurrentImage() == 1);
    EXPECT_EQ(std::vector<Pixel32>(KAV_ImagePixels[2], KAV_ImagePixels[2] + 6),
              (std::vector<Pixel32>{0, 0x100, 0x200, 1, 0x101, 0x201}));
  });
  // A menu command selecting another image between the requests: the
  // picture still goes into the new slot.
  shell().setRequestHandler(req::CreateImage, [](const Request& r) {
    const int made = KAV_CreateImage(r.index, r.name.c_str(), r.x, r.y, r.width, r.height, r.zoom);
    return made == 0 ? KAV_SelectImage(0) : made;
  });
  EXPECT_EQ(imageio::pasteAsNewImage(), 3);
  onWorker([] {
    EXPECT_TRUE(KAV_ImagePixels[3][4] == 0x101 && KAV_ImagePixels[0][4] == 0);
    releaseAllImages();
  });
  imageClipboardHooks() = {};
}

}  // namespace
}  // namespace rozoru::test
