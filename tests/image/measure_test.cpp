// Measurement plots and tools on the in-memory window system, no display.
#include <array>

#include "imgproc/measure.h"
#include "rozoru/draw.h"
#include "rozoru/measure.h"
#include "tests/image/draw_fixture.h"
#include "textwin/textwin.h"

namespace rozoru {
namespace {

using namespace measure;
using Points = std::vector<std::pair<int, int>>;

std::tuple<int, int, std::string> shape(int id) { return {kav_image[id].width, kav_image[id].height, kav_image[id].title}; }
// The pixels of slot id that differ from slot ref (same size).
Points differences(int id, int ref) {
  Points d;
  for (int y = 0; y < kav_image[id].height; ++y)
    for (int x = 0; x < kav_image[id].width; ++x)
      if (test::DrawTest::at(id, x, y) != test::DrawTest::at(ref, x, y)) d.emplace_back(x, y);
  return d;
}

class MeasureTest : public test::DrawTest {
 protected:
  void SetUp() override { DrawTest::SetUp(), textwin::install(); }
  void TearDown() override { textwin::hooks().log = nullptr, textwin::reset(), DrawTest::TearDown(); }
};

// Scale and flag order: hue by 359, the rest by 255, multiplying before
// dividing; the first flag set decides; Cr and Cb are offset by 128.
TEST(MeasureGeometry, ProfileRowsChartPointsAndTexts) {
  // With hue and green, green decides.
  EXPECT_EQ((std::array{profileRow(359, KAV_PROFILE_HUE), profileRow(180, KAV_PROFILE_HUE), profileRow(180, KAV_PROFILE_HUE | KAV_PROFILE_GREEN)}),
            (std::array{0, 64, 127 - 180 * 127 / 255}));
  EXPECT_EQ((std::array{profileValue(0x123456, 0, KAV_PROFILE_GREEN | KAV_PROFILE_RED), profileValue(0xFF0000, 0, KAV_PROFILE_CR),
                        profileValue(0xFFFFFF, 7, KAV_PROFILE_LINES | KAV_PROFILE_POINTS)}),
            (std::array{0x12, 256, -1}));
  EXPECT_EQ(profileTitle(Profile::YCrCb, 0), "YCrCb(Y=0)");
  EXPECT_EQ(pixelInfoText(8, 0x1234, 3, 4), "(X,Y)=(3,4)\n(Luminance)=(52)\n\n");
}

// The report of the picked pixel reaches a text window opened for it.
TEST_F(MeasureTest, PixelReportOfPureRedOpensATextWindow) {
  std::string printed;
  textwin::hooks().log = [&](int, std::string_view bytes) { printed += bytes; };
  image(0, 4, 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF0000});
  pixelInfo(1, 2);
  EXPECT_EQ(printed,
            "(X,Y)=(1,2)\n(R,G,B)=(255,0,0)\n(H,S,V)=(0,255,255)\n(Y,Cr,Cb)=(76,128,-42)\n"
            "(Y,u,v)=(76,-36,157)\n(Y,I,Q)=(76,152,53)\n\n");
}

// Rows: none without an image, 8-bit strides, zeros beyond; their luminance
// profile; an RGB profile; the curves as plotted.
TEST_F(MeasureTest, RowsAndTheirProfiles) {
  std::vector<std::uint8_t> bytes(7, 0xEE);
  KAV_GetRowPixels(bytes.data(), 0, 7);
  EXPECT_TRUE(bytes == std::vector<std::uint8_t>(7, 0xEE) && lineProfile(Profile::Rgb, 0) == -1);
  image(0, 5, 3, {0, 0, 0, 0, 0, 10, 11, 12, 13, 14}, true);  // the padding is not 0
  KAV_GetRowPixels(bytes.data(), 1, 7);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{10, 11, 12, 13, 14, 0, 0}));
  ASSERT_EQ(lineProfile(Profile::Luminance, 1), 1);
  EXPECT_EQ(shape(1), (std::tuple{17, 128, std::string("Luminance(Y=1)")}));
  // 10 at row 127 - 10 * 127 / 255 = 123, 14 at row 121.
  EXPECT_TRUE(at(1, 12, 123) == 0xFFFFFF && at(1, 16, 121) == 0xFFFFFF && at(1, 16, 127) == 0);

  // A white row of a 320-wide image: a 332 x 128 window, the curves along
  // row 0 with blue drawn last, the labels in their colours.
  ASSERT_EQ(KAV_CreateImage(3, "src", 0, 0, 320, 40, 100), 0);
  for (int x = 0; x < 320; ++x) KAV_ImagePixels[3][320 + x] = 0xFFFFFF;
  ASSERT_EQ(lineProfile(Profile::Rgb, 1), 2);
  EXPECT_EQ(shape(KAV_CurrentImage()), (std::tuple{332, 128, std::string("RGB(Y=1)")}));
  EXPECT_EQ(count(window(0, 0, 332, 1, {{0x0000FF, '#'}})), 320);
  // "R" and "G" in the cells above baselines 40 and 72.
  EXPECT_TRUE(count(window(0, 26, 12, 14, {{0xFF0000, 'R'}}), 'R') > 0 && count(window(0, 58, 12, 14, {{0x00FF00, 'G'}}), 'G') > 0);

  // Curves: points alone, or a polyline from the pen; a byte buffer read
  // with a colour flag is read as greys, never past its end.
  image(0, 16, 128);
  const std::uint8_t levels[2] = {255, 0};
  KAV_PlotProfile(levels, 1, 2, KAV_PROFILE_RED | KAV_PROFILE_POINTS, 0xABCDEF);
  EXPECT_TRUE(count(picture(), '.') == 16 * 128 - 2 && at(0, 1, 0) == 0xABCDEF && at(0, 2, 127) == 0xABCDEF);
  const Pixel32 row[3] = {0x000000, 0x0000FF, 0x000000};  // rows 127, 0, 127
  KAV_PlotProfile(row, 0, 3, KAV_PROFILE_BLUE | KAV_PROFILE_LINES, 0x111111);
  // Each steep segment covers half its rows in each column.
  EXPECT_EQ(count(window(0, 0, 1, 128, {{0x111111, '#'}})) + count(window(2, 0, 1, 128, {{0x111111, '#'}})), 128);
  EXPECT_EQ(at(0, 1, 0), 0x111111u);
}

// Grey rows chart at the centre, segments alternating magenta and white; a
// 1 x 1 area is one pixel; pure blue lies beyond the chart and is skipped.
// Each is compared with a chart of only the axes and labels (slot 9).
TEST_F(MeasureTest, CrCbLinesAndAreas) {
  ASSERT_EQ(KAV_CreateImage(9, "ref", 0, 0, 256, 256, 100), 0);
  drawChartAxes();
  image(5, 4, 2, {0x404040, 0x404040, 0x404040, 0x404040, 0, 0xFF0000, 0x0000FF, 0});
  ASSERT_EQ(crCbLine(0), 0);
  EXPECT_EQ(shape(0), (std::tuple{256, 256, std::string("CrCb(Y=0)")}));
  EXPECT_EQ(differences(0, 9), (Points{{128, 128}}));
  // Four points: white, magenta, white, magenta; the axes grey to their ends.
  EXPECT_TRUE(at(0, 128, 128) == 0xFF00FF && at(0, 0, 128) == 0x808080 && at(0, 128, 255) == 0x808080);
  KAV_SelectImage(5);
  ASSERT_EQ(crCbArea(1, 1, 1, 1), 1);
  EXPECT_EQ(std::get<2>(shape(1)), "CrCb(1,1)-(1,1)");
  EXPECT_EQ(differences(1, 9), (Points{{86, 0}}));
  KAV_SelectImage(5);
  ASSERT_EQ(crCbArea(2, 1, 2, 1), 2);
  EXPECT_TRUE(differences(2, 9).empty());
  EXPECT_EQ(crCbArea(2, 1, 1, 1), -1);  // an empty rectangle makes no window
  EXPECT_EQ(crCbArea(-2147483647, 0, 2147483647, 0), -1);
}

// Without a free slot nothing is made and the picked image stays current.
TEST_F(MeasureTest, NoFreeSlotMakesNothing) {
  for (int id = 0; id < KAV_MAX_IMAGES; ++id) ASSERT_EQ(KAV_CreateImage(id, "x", 0, 0, 2, 2, 100), 0);
  KAV_SelectImage(7);
  EXPECT_TRUE(lineProfile(Profile::Hsv, 0) == -1 && crCbLine(0) == -1 && KAV_CurrentImage() == 7);
}

}  // namespace
}  // namespace rozoru
