// The colour and font dialogs on Qt: run on the GUI thread, owned by and
// modal to the asking window; the caller (the worker) waits for the answer.
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>

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

// Modal to its owner when there is one, to the application otherwise.
void makeModal(QDialog& d, QWidget* owner) {
  d.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
}

}  // namespace

std::optional<std::uint32_t> QtWindowSystem::chooseColour(Hwnd owner, std::uint32_t initial,
                                                          std::array<std::uint32_t, 16>& custom) {
  return onGui([&]() -> std::optional<std::uint32_t> {
    // Qt keeps one set of custom colours per process; ours are the ones
    // that count, so they go in before and come back after.
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, toQColor(custom[static_cast<std::size_t>(i)]));
    QWidget* w = widget(owner);
    QColorDialog d(toQColor(initial), w);
    d.setOption(QColorDialog::DontUseNativeDialog);
    makeModal(d, w);
    const bool ok = d.exec() == QDialog::Accepted;
    for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = fromQColor(QColorDialog::customColor(i));
    if (!ok) return std::nullopt;
    return fromQColor(d.selectedColor());
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
    QFontDialog d(initial, w);
    d.setOption(QFontDialog::DontUseNativeDialog);
    makeModal(d, w);
    if (d.exec() != QDialog::Accepted) return false;
    const QFont f = d.selectedFont();
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
