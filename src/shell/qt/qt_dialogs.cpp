// Dialogs on Qt for a waiting caller (the worker): shown on the GUI thread,
// owned by and modal to the asking window; and the colour and font dialogs.
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QPointer>
#include <atomic>
#include <memory>

#include "shell/qt/qt_window_system.h"

namespace rozoru {

namespace {

// The face TrueType text is drawn with; the dialog offers its sizes and
// styles.
const QString kFace = QStringLiteral("IPAGothic");

QColor toQColor(std::uint32_t rgb) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF));
}
std::uint32_t fromQColor(const QColor& c) {
  return (static_cast<std::uint32_t>(c.red()) << 16) | (static_cast<std::uint32_t>(c.green()) << 8) |
         static_cast<std::uint32_t>(c.blue());
}

}  // namespace

QtWindowSystem::DialogEnd QtWindowSystem::runDialog(Hwnd owner, const std::function<QDialog*(QWidget*)>& make,
                                                    const std::function<void(QDialog&, bool)>& read) {
  // Written on the GUI thread; the caller reads end once done is set.
  struct Answer {
    std::atomic<DialogEnd> end{DialogEnd::Unanswered};
    std::atomic<bool> done{false};
  };
  auto answer = std::make_shared<Answer>();
  GuiPump& pump = guiPump_;
  const auto finish = [answer, &pump](DialogEnd end) {  // GUI thread
    if (answer->done.load()) return;
    answer->end = end;
    answer->done = true;
    pump.callRan();
  };
  // The dialog does not run its own event loop under the call that shows
  // it: an Exit chosen meanwhile then runs from the GUI thread's own loop,
  // where it can end the dialog and wait for the worker.
  onGui([&] {
    if (dialogsEnded_) return finish(DialogEnd::Unanswered);
    QWidget* w = widget(owner);
    QDialog* d = make(w);
    d->setWindowModality(w ? Qt::WindowModal : Qt::ApplicationModal);
    std::erase_if(dialogs_, [](const QPointer<QDialog>& p) { return p.isNull(); });
    dialogs_.emplace_back(d);
    QObject::connect(d, &QDialog::finished, d, [d, read, finish](int result) {
      const bool accepted = result == QDialog::Accepted;
      read(*d, accepted);
      finish(accepted ? DialogEnd::Accepted : DialogEnd::Rejected);
      d->deleteLater();
    });
    // Deleted with its owner before it ended.
    QObject::connect(d, &QObject::destroyed, context_.get(), [finish] { finish(DialogEnd::Unanswered); });
    d->show();
  });
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
    while (!answer->done.load()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  } else {
    pump.waitCall([&answer] { return answer->done.load(); });
  }
  return answer->done.load() ? answer->end.load() : DialogEnd::Unanswered;
}

void QtWindowSystem::endDialogs() {
  dialogsEnded_ = true;
  for (QPointer<QDialog>& d : dialogs_) {
    if (d && d->isVisible()) d->reject();
    delete d.data();
  }
  dialogs_.clear();
}

std::optional<std::uint32_t> QtWindowSystem::chooseColour(Hwnd owner, std::uint32_t initial,
                                                          std::array<std::uint32_t, 16>& custom) {
  std::optional<std::uint32_t> chosen;
  runDialog(
      owner,
      [&](QWidget* w) {
        // Qt keeps one set of custom colours per process; ours are the ones
        // that count, so they go in before and come back after.
        for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, toQColor(custom[static_cast<std::size_t>(i)]));
        auto* d = new QColorDialog(toQColor(initial), w);
        d->setOption(QColorDialog::DontUseNativeDialog);
        return d;
      },
      [&](QDialog& d, bool accepted) {
        for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = fromQColor(QColorDialog::customColor(i));
        // As it ends the dialog has not yet copied its colour to the selected one.
        if (accepted) chosen = fromQColor(static_cast<QColorDialog&>(d).currentColor());
      });
  return chosen;
}

bool QtWindowSystem::chooseFont(Hwnd owner, FontChoice& font) {
  FontChoice chosen = font;
  int initialPoints = 0;
  const DialogEnd end = runDialog(
      owner,
      [&](QWidget* w) {
        QFont initial(kFace);
        initial.setPixelSize(std::max(1, font.height));
        initial.setWeight(font.weight == 700 ? QFont::Bold : QFont::Normal);
        initial.setItalic(font.italic);
        initial.setUnderline(font.underline);
        initialPoints = QFontInfo(initial).pointSize();
        auto* d = new QFontDialog(initial, w);
        d->setOption(QFontDialog::DontUseNativeDialog);
        return d;
      },
      [&](QDialog& d, bool accepted) {
        if (!accepted) return;
        const QFont f = static_cast<QFontDialog&>(d).currentFont();
        // The dialog speaks whole points, the cell pixels: a size left as
        // it was keeps its pixels rather than drift by a rounding.
        if (QFontInfo(f).pointSize() != initialPoints) chosen.height = std::max(1, QFontInfo(f).pixelSize());
        chosen.weight = f.weight() >= QFont::Bold ? 700 : 400;
        chosen.italic = f.italic();
        chosen.underline = f.underline();
      });
  if (end != DialogEnd::Accepted) return false;
  font = chosen;
  return true;
}

}  // namespace rozoru
