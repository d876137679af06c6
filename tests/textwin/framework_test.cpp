// Text windows through Qt on the offscreen platform: the font's cells and
// resizing the widget. Showing presented pixels is the shell's framework test,
// menus the shell's popup test and the worker-level text-window test, typing
// through Qt the end-to-end text-window test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include "rozoru/textwin.h"
#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;
namespace tw = textwin;

class TextFrameworkTest : public test::FrameworkFixture {
 protected:
  QWidget* widgetOf(int index) const { return fw_->windowSystem().widget(tw::handleOf(index)); }
};

TEST_F(TextFrameworkTest, TheFontGivesTheCellsAndTextIsDrawnOnTheWorker) {
  hooks().init = [] {
    KAV_OpenTextWindow(0, 30, 40, 400, 300);
    KAV_Printf("MMMM\n\xe3\x81\x82");
  };
  startFramework();
  QWidget* w = widgetOf(0);
  ASSERT_NE(w, nullptr);
  EXPECT_NE(w->minimumSize(), w->maximumSize()) << "the user can resize a text window";

  const auto s = tw::snapshot(0);
  ASSERT_TRUE(s);
  QFont f("DejaVu Sans Mono");
  f.setPixelSize(13);
  const QFontMetrics fm(f);
  EXPECT_EQ(s->cellWidth, fm.horizontalAdvance(QLatin1Char('M')));
  EXPECT_EQ(s->cellHeight, fm.height());
  EXPECT_EQ(s->cursor, (tw::Cursor{2 * s->cellWidth, s->cellHeight})) << "a double-width unit takes two cells";

  // Glyphs in the first line's four cells, nothing beyond them.
  auto inked = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += s->pixel(x, y) != 0;
    return n;
  };
  EXPECT_GT(inked(0, 0, 4 * s->cellWidth, s->cellHeight), 4 * 10);
  EXPECT_EQ(inked(4 * s->cellWidth, 0, 400, s->cellHeight), 0);
  EXPECT_GT(inked(0, s->cellHeight, 2 * s->cellWidth, 2 * s->cellHeight), 10) << "the Japanese glyph is drawn";
}

TEST_F(TextFrameworkTest, ResizingTheWidgetClearsTheText) {
  hooks().init = [] {
    KAV_OpenTextWindow(0, 0, 0, 400, 300);
    KAV_Printf("text to lose");
  };
  startFramework();
  // The size the window was shown with does not clear it: once the worker
  // has taken what showing it posted, the text is still there.
  QCoreApplication::processEvents();
  onWorker([] {});
  onWorker([] {});
  EXPECT_NE(tw::snapshot(0)->cursor.x, 0);
  widgetOf(0)->resize(300, 200);
  ASSERT_TRUE(pumpFor([] { return tw::snapshot(0)->width == 300; }));
  const auto s = tw::snapshot(0);
  EXPECT_EQ(s->height, 200);
  EXPECT_EQ(s->cursor, (tw::Cursor{0, 0}));
  for (std::uint32_t p : s->pixels) ASSERT_EQ(p, 0u);
}

}  // namespace
}  // namespace rozoru
