// "Change" and "Font Change" with Qt's dialogs on the offscreen platform,
// opened from the worker for an image window and answered from the GUI
// thread while the worker waits.
#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QTest>
#include <QTimer>

#include "imgproc/draw_state.h"
#include "imgproc/style_dialogs.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru::test {
namespace {

class StyleDialogsTest : public FrameworkFixture {
 protected:
  // Runs command for image 2 on the worker; answer gets the dialog of type D
  // once it shows. The command's result.
  template <class D>
  int answered(int (*command)(int), const std::function<void(D*)>& answer) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* d = shownDialog<D>()) poll.stop(), answer(d);
    });
    poll.start(10);
    int result = -1;
    onWorker([&] { result = command(2); });
    return result;
  }
};

// Colour: owned by the image window, at the drawing colour and
// the kept custom colours. A cancel keeps the drawing colour and gives it to
// both text colours; a custom colour the user set is kept for the next
// dialog whatever Qt's own set holds; an accepted colour reaches all three.
// While it shows, a click on the image window reaches nothing and the main
// window's Stop still reaches the worker.
// Font: at the font's style; a cancel changes nothing; a style accepted at
// the same size keeps the cell (odd width, no drift through whole points);
// a new size gives a width of half the height.
TEST_F(StyleDialogsTest, ColourAndFontDialogs) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(2, "dlg", 0, 0, 64, 48, 100), 0);
    customColours().fill(0), customColours()[3] = 0x112233;
    KAV_SetDrawColor(0x405060), kav_tc = kav_tttc = 1;
    drawState().font = {.halfWidth = 9, .height = 18, .underline = true};
    kav_mousetracking = 1;
  });
  QString seen;
  const auto colour = [&](bool accept) {
    return answered<QColorDialog>(changeDrawColour, [&, accept](QColorDialog* d) {
      seen += (d->parentWidget() ? d->parentWidget()->windowTitle().left(3) : "none") +
              QString::number(d->windowModality()) + d->currentColor().name() + QColorDialog::customColor(3).name() +
              QColorDialog::customColor(4).name() + " ";
      if (!accept) {
        QTest::mouseClick(d->parentWidget()->windowHandle(), Qt::LeftButton, {}, QPoint(5, 7));
        clickMenu("Stop(&C)");
        EXPECT_TRUE(pumpFor([] { return kav_stop.load() == 1; }));
      }
      QColorDialog::setCustomColor(4, QColor(1, 2, 3));
      d->setCurrentColor(QColor(10, 20, 30));
      accept ? d->accept() : d->reject();
    });
  };
  EXPECT_EQ(colour(false), 1);
  onWorker([] { shell().workerPump().dispatchPending(), kav_mousetracking = 0; });
  EXPECT_EQ(kav_mouse.left, 0);
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc), std::tuple(0x405060u, 0x405060u, 0x405060u));
  QColorDialog::setCustomColor(4, Qt::white);
  EXPECT_EQ(colour(true), 0);
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc), std::tuple(0x0A141Eu, 0x0A141Eu, 0x0A141Eu));
  EXPECT_EQ(seen.toStdString(), "dlg0#405060#112233#000000 dlg0#405060#112233#010203 ");

  const auto font = [&](bool accept, int points) {
    const int r = answered<QFontDialog>(changeTrueTypeFont, [=](QFontDialog* d) {
      QFont f = d->currentFont();
      f.setUnderline(!f.underline());
      if (points) f.setPointSize(points);
      d->setCurrentFont(f);
      accept ? d->accept() : d->reject();
    });
    const TrueTypeFontDesc& f = drawState().font;
    return std::tuple(r, f.halfWidth, f.height, f.weight, f.underline);
  };
  EXPECT_EQ(font(false, 40), std::tuple(1, 9, 18, 0, true));
  EXPECT_EQ(font(true, 0), std::tuple(0, 9, 18, 400, false));  // the dialog's weight, not the default 0
  const auto [r, half, height, weight, underline] = font(true, 40);
  EXPECT_TRUE(r == 0 && height >= 40 && half == height / 2 && weight == 400 && underline) << height << " " << half;
}

}  // namespace
}  // namespace rozoru::test
