// The real colour and font dialogs on the offscreen platform, opened from the
// worker for an image window and answered from the GUI thread.
#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QTimer>

#include "imgproc/draw_state.h"
#include "imgproc/style_dialogs.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru::test {
namespace {

using StyleDialogsTest = FrameworkFixture;

// Answers the first modal dialog of type D with answer once it is open
// (it runs its own event loop on the GUI thread while the worker waits).
template <class D>
void answerWhenOpen(QTimer& poll, const std::function<void(D*)>& answer) {
  QObject::connect(&poll, &QTimer::timeout, [&poll, answer] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
      poll.stop();
      answer(d);
    }
  });
  poll.start(10);
}

// Catches: a dialog that does not block the worker, is not owned by and
// modal to the image window, does not start at the drawing colour or with
// the kept custom colours, loses a custom colour the user set, or whose
// accepted colour does not reach the drawing state; a font dialog not at the
// current font's style, or a cancelled one that changes the font.
TEST_F(StyleDialogsTest, ColourAcceptedAndFontCancelled) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(2, "dlg", 0, 0, 64, 48, 100), 0);
    KAV_SetDrawColor(0x405060);
    customColours()[3] = 0x112233;
    drawState().font.underline = true;
  });
  std::string seen;
  QTimer poll;
  answerWhenOpen<QColorDialog>(poll, [&](QColorDialog* d) {
    const QWidget* owner = d->parentWidget();
    seen = (owner ? owner->windowTitle().toStdString() : "none") + "|" + std::to_string(d->windowModality()) + "|" +
           d->currentColor().name().toStdString() + "|" + QColorDialog::customColor(3).name().toStdString();
    QColorDialog::setCustomColor(4, QColor(1, 2, 3));
    d->setCurrentColor(QColor(10, 20, 30));
    d->accept();
  });
  int result = -1;
  onWorker([&] { result = changeDrawColour(2); });
  EXPECT_EQ(result, 0);
  EXPECT_NE(seen.find("dlg"), std::string::npos) << seen;
  EXPECT_NE(seen.find("|" + std::to_string(Qt::WindowModal) + "|#405060|#112233"), std::string::npos) << seen;
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc), std::tuple(0x0A141Eu, 0x0A141Eu, 0x0A141Eu));
  EXPECT_EQ(customColours()[4], 0x010203u);

  bool underlineShown = false;
  QTimer fontPoll;
  answerWhenOpen<QFontDialog>(fontPoll, [&](QFontDialog* d) {
    underlineShown = d->currentFont().underline();
    QFont f = d->currentFont();
    f.setPixelSize(40);
    d->setCurrentFont(f);
    d->reject();
  });
  const TrueTypeFontDesc before = drawState().font;
  onWorker([&] { result = changeTrueTypeFont(2); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(underlineShown);
  EXPECT_EQ(std::tuple(drawState().font.height, drawState().font.halfWidth, drawState().font.underline),
            std::tuple(before.height, before.halfWidth, true));
}

}  // namespace
}  // namespace rozoru::test
