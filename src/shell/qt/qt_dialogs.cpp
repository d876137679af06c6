// The colour and font dialogs on Qt: run on the GUI thread, owned by and
// modal to the asking window; the caller (the worker) waits for the answer.
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QPointer>

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

// Runs d modal to its owner (to the application when there is none). The
// owner may be deleted while d runs (the process ends during the dialog),
// taking d with it: then the answer is a cancel. True when accepted; d is
// deleted unless accepted, and then the caller reads and deletes it.
template <class D>
bool runModal(QPointer<D>& d, QWidget* owner) {
  d->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  const bool ok = d->exec() == QDialog::Accepted;
  if (d && !ok) delete d.data();
  return ok && d;
}

}  // namespace

std::optional<std::uint32_t> QtWindowSystem::chooseColour(Hwnd owner, std::uint32_t initial,
                                                          std::array<std::uint32_t, 16>& custom) {
  return onGui([&]() -> std::optional<std::uint32_t> {
    // Qt keeps one set of custom colours per process; ours are the ones
    // that count, so they go in before and come back after.
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, toQColor(custom[static_cast<std::size_t>(i)]));
    QWidget* w = widget(owner);
    QPointer<QColorDialog> d = new QColorDialog(toQColor(initial), w);
    d->setOption(QColorDialog::DontUseNativeDialog);
    const bool ok = runModal(d, w);
    for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = fromQColor(QColorDialog::customColor(i));
    if (!ok) return std::nullopt;
    const std::uint32_t chosen = fromQColor(d->selectedColor());
    delete d.data();
    return chosen;
  });
}

bool QtWindowSystem::chooseFont(Hwnd owner, FontChoice& font) {
  return onGui([&] {
    QFont initial(kFace);
    initial.setPixelSize(std::max(1, font.height));
    initial.setWeight(font.weight == 700 ? QFont::Bold : QFont::Normal);
    initial.setItalic(font.italic);
    initial.setUnderline(font.underline);
    QWidget* w = widget(owner);
    QPointer<QFontDialog> d = new QFontDialog(initial, w);
    d->setOption(QFontDialog::DontUseNativeDialog);
    if (!runModal(d, w)) return false;
    const QFont f = d->selectedFont();
    delete d.data();
    // The dialog speaks whole points, the cell pixels: a size left as it
    // was keeps its pixels rather than drift by a rounding.
    if (QFontInfo(f).pointSize() != QFontInfo(initial).pointSize())
      font.height = std::max(1, QFontInfo(f).pixelSize());
    font.weight = f.weight() >= QFont::Bold ? 700 : 400;
    font.italic = f.italic();
    font.underline = f.underline();
    return true;
  });
}

}  // namespace rozoru
