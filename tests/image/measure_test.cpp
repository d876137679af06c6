// Measurement plots and tools without a display: the test thread is the
// worker, the window system is in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imgproc/measure.h"
#include "rozoru/draw.h"
#include "rozoru/measure.h"
#include "tests/image/draw_fixture.h"
#include "textwin/textwin.h"

namespace rozoru {
namespace {

using namespace measure;

class MeasureTest : public test::DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    textwin::install();
  }
  void TearDown() override {
    textwin::hooks().log = nullptr;
    textwin::reset();
    DrawTest::TearDown();
  }

  static Pixel32 at(int id, int x, int y) { return KAV_ImagePixels[id][y * kav_image[id].width + x]; }
  // The pixels of slot id that differ from slot ref (same size).
  static std::vector<std::pair<int, int>> differences(int id, int ref) {
    std::vector<std::pair<int, int>> d;
    for (int y = 0; y < kav_image[id].height; ++y)
      for (int x = 0; x < kav_image[id].width; ++x)
        if (at(id, x, y) != at(ref, x, y)) d.emplace_back(x, y);
    return d;
  }
  // A chart with only its axes and labels, in slot id.
  static void axesOnly(int id) {
    ASSERT_EQ(KAV_CreateImage(id, "ref", 0, 0, 256, 256, 100), 0);
    KAV_SelectImage(id);
    drawChartAxes();
  }

};

// Scale and flag order: hue by 359, the rest by 255, multiplying before
// dividing; the first flag set decides; Cr and Cb are offset by 128.
TEST(MeasureGeometry, ProfileRowsAndChartPoints) {
  EXPECT_EQ(profileRow(profileValue(0xFFFFFF, 0, KAV_PROFILE_BLUE), KAV_PROFILE_BLUE), 0);
  EXPECT_EQ(profileRow(359, KAV_PROFILE_HUE), 0);
  EXPECT_EQ(profileRow(180, KAV_PROFILE_HUE), 64);
  EXPECT_EQ(profileRow(180, KAV_PROFILE_HUE | KAV_PROFILE_GREEN), 127 - 180 * 127 / 255);  // green decides
  EXPECT_EQ(profileValue(0x123456, 0, KAV_PROFILE_GREEN | KAV_PROFILE_RED), 0x12);
  EXPECT_EQ(profileValue(0xFF0000, 0, KAV_PROFILE_CR), 256);
  EXPECT_EQ(profileValue(0xFF0000, 0, KAV_PROFILE_CB), 86);
  EXPECT_EQ(profileValue(0x0000FF, 7, KAV_PROFILE_BYTE), 7);
  EXPECT_EQ(profileValue(0xFFFFFF, 7, KAV_PROFILE_LINES | KAV_PROFILE_POINTS), -1);
  EXPECT_EQ(chartPoint(0x808080), (measure::Point{128, 128}));
  EXPECT_EQ(chartPoint(0xFF0000), (measure::Point{86, 0}));
  EXPECT_EQ(chartPoint(0x0000FF), (measure::Point{256, 148}));  // one beyond the chart
}

TEST(MeasureGeometry, TitlesAndReports) {
  EXPECT_EQ(profileTitle(Profile::Luminance, 7), "Luminance(Y=7)");
  EXPECT_EQ(profileTitle(Profile::YCrCb, 0), "YCrCb(Y=0)");
  EXPECT_EQ(crCbAreaTitle(1, 2, 30, 40), "CrCb(1,2)-(30,40)");
  EXPECT_EQ(pixelInfoText(8, 0x1234, 3, 4), "(X,Y)=(3,4)\n(Luminance)=(52)\n\n");
  EXPECT_EQ(pixelInfoText(32, 0x0000FF, 0, 0),
            "(X,Y)=(0,0)\n(R,G,B)=(0,0,255)\n(H,S,V)=(240,255,255)\n(Y,Cr,Cb)=(29,-20,128)\n"
            "(Y,u,v)=(29,111,-25)\n(Y,I,Q)=(29,-81,74)\n\n");
}

// The report reaches a text window opened for it, read from the picked pixel.
TEST_F(MeasureTest, PixelReportOfPureRedOpensATextWindow) {
  std::string printed;
  textwin::hooks().log = [&](int, std::string_view bytes) { printed += bytes; };
  ASSERT_EQ(KAV_CreateImage(0, "img", 0, 0, 4, 4, 100), 0);
  KAV_ImagePixels[0][2 * 4 + 1] = 0xFF0000;
  pixelInfo(1, 2);
  EXPECT_TRUE(textwin::isOpen(0));
  EXPECT_EQ(printed,
            "(X,Y)=(1,2)\n(R,G,B)=(255,0,0)\n(H,S,V)=(0,255,255)\n(Y,Cr,Cb)=(76,128,-42)\n"
            "(Y,u,v)=(76,-36,157)\n(Y,I,Q)=(76,152,53)\n\n");
}

// Rows: 8-bit strides, zeros beyond the image, nothing without an image.
TEST_F(MeasureTest, RowsReadByDepth) {
  std::vector<std::uint8_t> bytes(7, 0xEE);
  KAV_GetRowPixels(bytes.data(), 0, 7);
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(7, 0xEE));  // no image in use
  EXPECT_EQ(lineProfile(Profile::Rgb, 0), -1);
  ASSERT_EQ(KAV_CreateImage8(0, "b", 0, 0, 5, 3, 100), 0);
  for (int x = 0; x < 5; ++x) KAV_ImageBytes[0][KAV_Stride8(5) + x] = static_cast<std::uint8_t>(10 + x);
  KAV_GetRowPixels(bytes.data(), 1, 7);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{10, 11, 12, 13, 14, 0, 0}));
  KAV_GetRowPixels(bytes.data(), -1, 2);
  EXPECT_EQ(bytes[0] + bytes[1], 0);
  // The luminance profile plots the indices: 10 at row 127 - 10 * 127 / 255 = 123.
  ASSERT_EQ(lineProfile(Profile::Luminance, 1), 1);
  EXPECT_EQ((std::pair{kav_image[1].width, kav_image[1].title}), (std::pair{17, std::string("Luminance(Y=1)")}));
  EXPECT_EQ(at(1, 12, 123), 0xFFFFFFu);
  EXPECT_EQ(at(1, 16, 121), 0xFFFFFFu);
  EXPECT_EQ(at(1, 16, 127), 0u);
}

// A white row of a 320-wide image: a 332 x 128 window, the curves along
// row 0 with blue drawn last, the labels in their colours.
TEST_F(MeasureTest, RgbProfileOfAWhiteRow) {
  ASSERT_EQ(KAV_CreateImage(3, "src", 0, 0, 320, 40, 100), 0);
  KAV_SelectImage(3);
  for (int x = 0; x < 320; ++x) KAV_ImagePixels[3][320 + x] = 0xFFFFFF;
  const int id = lineProfile(Profile::Rgb, 1);
  ASSERT_EQ(id, 0);
  EXPECT_EQ(KAV_CurrentImage(), 0);
  EXPECT_EQ((std::pair{kav_image[0].width, kav_image[0].height}), (std::pair{332, 128}));
  EXPECT_EQ(kav_image[0].title, "RGB(Y=1)");
  int blue = 0, red = 0, green = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 332; ++x) {
      const Pixel32 p = at(0, x, y);
      blue += p == 0x0000FF && y == 0 && x >= 12;
      red += p == 0xFF0000 && x < 12 && y >= 26 && y < 40;  // "R" in the cell above baseline 40
      green += p == 0x00FF00 && x < 12 && y >= 58 && y < 72;
    }
  EXPECT_EQ(blue, 320);
  EXPECT_GT(red, 0);
  EXPECT_GT(green, 0);
}

// A polyline from the pen: rows 127 - v * 127 / 255 joined with lines; a
// byte buffer read with a colour flag is read as greys, never past its end.
TEST_F(MeasureTest, ProfileCurvesArePolylinesOrPoints) {
  ASSERT_EQ(KAV_CreateImage(0, "p", 0, 0, 16, 128, 100), 0);
  const std::uint8_t levels[2] = {255, 0};
  KAV_PlotProfile(levels, 1, 2, KAV_PROFILE_RED | KAV_PROFILE_POINTS, 0xABCDEF);
  std::vector<std::pair<int, int>> lit;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 16; ++x)
      if (at(0, x, y)) lit.emplace_back(x, y);
  EXPECT_EQ(lit, (std::vector<std::pair<int, int>>{{1, 0}, {2, 127}}));
  const Pixel32 row[3] = {0x000000, 0x0000FF, 0x000000};  // 127, 0, 127
  KAV_PlotProfile(row, 0, 3, KAV_PROFILE_BLUE | KAV_PROFILE_LINES, 0x111111);
  int joined = 0;
  for (int y = 0; y < 128; ++y) joined += (at(0, 0, y) == 0x111111) + (at(0, 2, y) == 0x111111);
  EXPECT_EQ(joined, 128);  // each steep segment covers half its rows in each column
  EXPECT_EQ(at(0, 1, 0), 0x111111u);
  int pen = 0, penY = 0;
  KAV_GetPenPosition(&pen, &penY);
  EXPECT_EQ((std::pair{pen, penY}), (std::pair{2, 127}));
}

// Grey rows chart at the centre; segments alternate magenta and white.
TEST_F(MeasureTest, CrCbLineOfAGreyRow) {
  axesOnly(9);
  ASSERT_EQ(KAV_CreateImage(5, "grey", 0, 0, 4, 1, 100), 0);
  KAV_SelectImage(5);
  for (int x = 0; x < 4; ++x) KAV_ImagePixels[5][x] = 0x404040;
  ASSERT_EQ(crCbLine(0), 0);
  EXPECT_EQ(kav_image[0].title, "CrCb(Y=0)");
  EXPECT_EQ((std::pair{kav_image[0].width, kav_image[0].height}), (std::pair{256, 256}));
  EXPECT_EQ(differences(0, 9), (std::vector<std::pair<int, int>>{{128, 128}}));
  EXPECT_EQ(at(0, 128, 128), 0xFF00FFu);  // four points: white, magenta, white, magenta
  EXPECT_EQ(at(0, 0, 128), 0x808080u);
  EXPECT_EQ(at(0, 128, 255), 0x808080u);
}

// A 1 x 1 area is one pixel; pure blue lies beyond the chart and is skipped.
TEST_F(MeasureTest, CrCbAreaPointsAndOffChartPixels) {
  axesOnly(9);
  ASSERT_EQ(KAV_CreateImage(5, "src", 0, 0, 3, 2, 100), 0);
  KAV_SelectImage(5);
  KAV_ImagePixels[5][4] = 0xFF0000;
  KAV_ImagePixels[5][5] = 0x0000FF;
  ASSERT_EQ(crCbArea(1, 1, 1, 1), 0);
  EXPECT_EQ(kav_image[0].title, "CrCb(1,1)-(1,1)");
  EXPECT_EQ(differences(0, 9), (std::vector<std::pair<int, int>>{{86, 0}}));
  KAV_SelectImage(5);
  ASSERT_EQ(crCbArea(2, 1, 2, 1), 1);  // pure blue alone: only the axes
  EXPECT_TRUE(differences(1, 9).empty());
  // An 8-bit image charts its colour table's colours.
  ASSERT_EQ(KAV_CreateImage8(6, "idx", 0, 0, 3, 2, 100), 0);
  KAV_SelectImage(6);
  const std::uint32_t red = 0xFF0000;
  KAV_SetColorTable(&red, 1);
  ASSERT_EQ(crCbArea(0, 0, 0, 0), 2);
  EXPECT_EQ(differences(2, 9), (std::vector<std::pair<int, int>>{{86, 0}}));
  KAV_SelectImage(5);
  EXPECT_EQ(crCbArea(2, 1, 1, 1), -1);  // an empty rectangle makes no window
  EXPECT_EQ(crCbArea(-2147483647, 0, 2147483647, 0), -1);
}

// Without a free slot nothing is made and the picked image stays current.
TEST_F(MeasureTest, NoFreeSlotMakesNothing) {
  for (int id = 0; id < KAV_MAX_IMAGES; ++id) ASSERT_EQ(KAV_CreateImage(id, "x", 0, 0, 2, 2, 100), 0);
  KAV_SelectImage(7);
  EXPECT_EQ(lineProfile(Profile::Hsv, 0), -1);
  EXPECT_EQ(crCbLine(0), -1);
  EXPECT_EQ(KAV_CurrentImage(), 7);
}

}  // namespace
}  // namespace rozoru
