// Dialogs on Qt for a waiting caller (the worker): shown on the GUI thread,
// owned by the asking window and holding only its input; and the colour and
// font dialogs.
#include <QColorDialog>
#include <QFontDialog>
#include <QEvent>
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

// Keeps input away from a dialog's owner window while the dialog shows and
// sends the user back to the dialog; every other window stays usable (the
// main window's Stop and Exit among them, which Qt's window modality would
// block with the owner's parent). Watches the whole application, so that
// the owner's child widgets and its shortcuts are held back too.
class OwnerBlock final : public QObject {
 public:
  OwnerBlock(QDialog* d, QWidget* owner) : QObject(d), dialog_(d), owner_(owner) {
    QCoreApplication::instance()->installEventFilter(this);
  }

  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (!holds(o)) return false;
        toFront();
        return true;
      case QEvent::FocusIn:
      case QEvent::WindowActivate:
        if (holds(o)) toFront();
        return false;
      case QEvent::ShortcutOverride:
        // Accepted, it keeps the shortcut from firing; the key press that
        // follows is swallowed below.
        if (!holds(o)) return false;
        e->accept();
        return true;
      case QEvent::MouseButtonRelease:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Close:
      case QEvent::ContextMenu:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        if (!holds(o)) return false;
        e->ignore();
        return true;
      default:
        return false;
    }
  }

 private:
  // Whether o is the owner or a widget inside the owner's window (the dialog
  // and popups are windows of their own).
  bool holds(QObject* o) const {
    if (!o->isWidgetType() || !owner_ || !dialog_->isVisible()) return false;
    auto* w = static_cast<QWidget*>(o);
    return w == owner_ || owner_->isAncestorOf(w);
  }
  void toFront() {
    // Queued: the window system may still be handing activation to the owner.
    QMetaObject::invokeMethod(
        dialog_,
        [d = dialog_] {
          if (!d->isVisible()) return;
          d->raise();
          d->activateWindow();
        },
        Qt::QueuedConnection);
  }

  QDialog* dialog_;
  QPointer<QWidget> owner_;
};

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
    // Without an owner it belongs to no window, and holds them all.
    d->setWindowModality(w ? Qt::NonModal : Qt::ApplicationModal);
    if (w) new OwnerBlock(d, w);
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
