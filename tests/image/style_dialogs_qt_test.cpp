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

// Answers the modal dialog of type D once it runs its own event loop on the
// GUI thread, while the worker waits in the call that opened it.
template <class D>
void answerWhenOpen(QTimer& poll, const std::function<void(D*)>& answer) {
  QObject::connect(&poll, &QTimer::timeout, [&poll, answer] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) poll.stop(), answer(d);
  });
  poll.start(10);
}

// Catches: a colour dialog not owned by and modal to the image window, not
// at the drawing colour or the kept custom colours, losing a custom colour
// the user set, or whose colour does not reach the drawing state; a font
// dialog not at the font's style, whose style does not reach the TrueType
// font, or whose size drifts through the dialog's whole points (18 px).
using StyleDialogsTest = FrameworkFixture;
TEST_F(StyleDialogsTest, ColourAndFontAccepted) {
  startFramework();
  onWorker([] {
    ASSERT_EQ(KAV_CreateImage(2, "dlg", 0, 0, 64, 48, 100), 0);
    KAV_SetDrawColor(0x405060);
    customColours()[3] = 0x112233;
    drawState().font = {.halfWidth = 9, .height = 18, .underline = true};
  });
  QString seen;
  QTimer poll, fontPoll;
  answerWhenOpen<QColorDialog>(poll, [&](QColorDialog* d) {
    seen = (d->parentWidget() ? d->parentWidget()->windowTitle().left(3) : "none") +
           QString::number(d->windowModality()) +
           d->currentColor().name() + QColorDialog::customColor(3).name();
    QColorDialog::setCustomColor(4, QColor(1, 2, 3));
    d->setCurrentColor(QColor(10, 20, 30));
    d->accept();
  });
  int result = -1;
  onWorker([&] { result = changeDrawColour(2); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen, "dlg" + QString::number(Qt::WindowModal) + "#405060#112233");
  EXPECT_EQ(std::tuple(kav_dc, kav_tc, kav_tttc, customColours()[4]),
            std::tuple(0x0A141Eu, 0x0A141Eu, 0x0A141Eu, 0x010203u));

  bool underlineShown = false;
  answerWhenOpen<QFontDialog>(fontPoll, [&](QFontDialog* d) {
    underlineShown = d->currentFont().underline();
    QFont f = d->currentFont();
    f.setUnderline(false);
    d->setCurrentFont(f);
    d->accept();
  });
  onWorker([&] { result = changeTrueTypeFont(2); });
  EXPECT_TRUE(result == 0 && underlineShown);
  EXPECT_EQ(std::tuple(drawState().font.height, drawState().font.halfWidth, drawState().font.underline),
            std::tuple(18, 9, false));
}

}  // namespace
}  // namespace rozoru::test
