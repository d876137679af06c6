// "Change" and "Font Change" on the in-memory window system's dialogs.
#include "imgproc/style_dialogs.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

// Catches: a cancel leaving kav_tc or kav_tttc apart from the drawing
// colour; an accepted colour not reaching all three; custom colours not
// handed from one dialog to the next; dialogs not owned by the image's
// window; a cancelled font dialog changing or re-making the font; an
// accepted one not re-made from the choice with the width following the
// height (and kept, odd cell included, when the height is the same).
TEST_F(DrawTest, ColourAndFontDialogAnswers) {
  image(3, 4, 4);
  customColours().fill(0);
  KAV_SetDrawColor(0x123456);
  std::vector<std::uint32_t> seen;  // per dialog: the initial colour and custom colour 5
  ws_.colourDialog = [&](std::uint32_t initial, std::array<std::uint32_t, 16>& custom) {
    seen.insert(seen.end(), {initial, custom[5]});
    custom[5] = 0xA0B0C0u + static_cast<std::uint32_t>(seen.size());  // the user edits one
    return seen.size() == 4 ? std::optional<std::uint32_t>(0xFF8040) : std::nullopt;
  };
  EXPECT_EQ(changeDrawColour(3), 1);
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc), std::tuple(0x123456u, 0x123456u, 0x123456u));
  EXPECT_EQ(changeDrawColour(3), 0);
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc), std::tuple(0xFF8040u, 0xFF8040u, 0xFF8040u));
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x123456, 0, 0x123456, 0xA0B0C2}));

  drawState().font = {.halfWidth = 5, .height = 20, .italic = true};
  std::vector<FontChoice> shown;
  ws_.fontDialog = [&](FontChoice& f) {  // edited and cancelled, bold at the same height, a new height
    shown.push_back(f);
    if (shown.size() == 1) return f.height = 99, false;
    return shown.size() == 2 ? (f.weight = 700, true) : (f.height = 30, true);
  };
  const auto font = [] {
    const TrueTypeFontDesc& f = drawState().font;
    return std::tuple(f.halfWidth, f.height, f.weight, f.valid);
  };
  EXPECT_EQ(changeTrueTypeFont(3), 1);
  EXPECT_EQ(font(), std::tuple(5, 20, 0, true));  // no engine: a re-made font would be invalid
  EXPECT_EQ(changeTrueTypeFont(3), 2);
  EXPECT_EQ(font(), std::tuple(5, 20, 700, false));
  EXPECT_EQ(changeTrueTypeFont(3), 2);
  EXPECT_EQ(font(), std::tuple(15, 30, 700, false));
  EXPECT_EQ(shown.at(0), (FontChoice{.height = 20, .weight = 0, .italic = true}));
  EXPECT_EQ(ws_.dialogOwners(), std::vector<Hwnd>(5, kav_image[3].window));
}

}  // namespace
}  // namespace rozoru::test
