// "Change" and "Font Change" on the in-memory window system, whose dialogs
// answer as each case says.
#include "imgproc/style_dialogs.h"
#include "imgproc/truetype.h"
#include "tests/image/draw_fixture.h"

namespace rozoru::test {
namespace {

// A font engine that makes every font and remembers the last description.
class RecordingEngine final : public TrueTypeEngine {
 public:
  explicit RecordingEngine(TrueTypeFontDesc* last) : last_(last) {}
  bool makeFont(const TrueTypeFontDesc& d) override { return *last_ = d, true; }
  bool render(char32_t, GlyphMask&) override { return false; }

 private:
  TrueTypeFontDesc* last_;
};

// Catches: the dialog not owned by the image's window; the initial colour
// not the drawing colour; a cancel leaving kav_tc and kav_tttc apart from
// the drawing colour; an accepted colour not reaching all three; custom
// colours not handed to the next dialog (lost between dialogs or reset).
TEST_F(DrawTest, ColourChangeSetsAllThreeAndKeepsCustomColours) {
  image(3, 4, 4);
  customColours().fill(0);
  KAV_SetDrawColor(0x123456);
  kav_tc = 0x000001;
  kav_tttc = 0x000002;
  std::vector<std::uint32_t> initials, customSeen;
  ws_.colourDialog = [&](std::uint32_t initial, std::array<std::uint32_t, 16>& custom) {
    initials.push_back(initial);
    customSeen.push_back(custom[5]);
    custom[5] = 0xA0B0C0 + static_cast<std::uint32_t>(initials.size());  // the user edits a custom colour
    return initials.size() == 2 ? std::optional<std::uint32_t>(0x00FF8040) : std::nullopt;
  };
  EXPECT_EQ(changeDrawColour(3), 1);  // cancelled
  EXPECT_EQ(std::tuple(KAV_GetDrawColor(), kav_tc, kav_tttc), std::tuple(0x123456u, 0x123456u, 0x123456u));
  EXPECT_EQ(changeDrawColour(3), 0);  // accepted
  EXPECT_EQ(std::tuple(KAV_GetDrawColor(), kav_tc, kav_tttc), std::tuple(0xFF8040u, 0xFF8040u, 0xFF8040u));
  EXPECT_EQ(initials, (std::vector<std::uint32_t>{0x123456, 0x123456}));
  EXPECT_EQ(customSeen, (std::vector<std::uint32_t>{0, 0xA0B0C1}));
  EXPECT_EQ(customColours()[5], 0xA0B0C2u);
  EXPECT_EQ(ws_.dialogOwners, (std::vector<Hwnd>{kav_image[3].window, kav_image[3].window}));
}

// Catches: the dialog not initialised from the current font; a cancel that
// changes or re-makes the font; an accepted choice not re-making it with the
// new height, style and a half width following the height; a choice of the
// same height that loses an odd cell width.
TEST_F(DrawTest, FontChangeFollowsTheDialogAndIgnoresACancel) {
  TrueTypeFontDesc made;
  startTrueType(std::make_unique<RecordingEngine>(&made));
  image(1, 4, 4);
  ASSERT_EQ(KAV_SetTrueTypeCell(10, 20), 0);
  drawState().font.italic = true;
  made = {};
  std::vector<FontChoice> shown;
  ws_.fontDialog = [&](FontChoice& f) {
    shown.push_back(f);
    if (shown.size() == 1) return f.height = 99, false;  // edited, then cancelled
    if (shown.size() == 2) return f.weight = 700, true;   // same height
    return f = FontChoice{.height = 30, .weight = 400, .italic = false, .underline = true}, true;
  };
  EXPECT_EQ(changeTrueTypeFont(1), 1);
  EXPECT_EQ(made.height, TrueTypeFontDesc{}.height);  // not made anew
  EXPECT_EQ(std::tuple(drawState().font.halfWidth, drawState().font.height), std::tuple(5, 20));
  EXPECT_EQ(changeTrueTypeFont(1), 0);
  EXPECT_EQ(std::tuple(made.halfWidth, made.height, made.weight, made.italic), std::tuple(5, 20, 700, true));
  EXPECT_EQ(changeTrueTypeFont(1), 0);
  EXPECT_EQ(std::tuple(made.halfWidth, made.height, made.weight, made.italic, made.underline),
            std::tuple(15, 30, 400, false, true));
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], (FontChoice{.height = 20, .weight = 0, .italic = true, .underline = false}));
  EXPECT_EQ(ws_.dialogOwners.back(), kav_image[1].window);
  releaseTrueType();
}

}  // namespace
}  // namespace rozoru::test
