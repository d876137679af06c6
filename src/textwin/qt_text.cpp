#include "textwin/qt_text.h"

#include <QClipboard>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "shell/qt/framework.h"
#include "shell/qt/qt_window_system.h"
#include "shell/core/shell.h"
#include "textwin/text_commands.h"
#include "textwin/textwin.h"

namespace rozoru::textwin {

namespace {

QFont textFont() {
  QFont f(QStringLiteral("DejaVu Sans Mono"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPixelSize(13);
  f.setKerning(false);
  return f;
}

bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
// Printable ASCII, drawn as runs: the font's pitch keeps them on the cells.
bool isPlainAscii(char16_t u) { return u >= 0x20 && u < 0x7F; }

class QtTextSurface final : public TextSurface {
 public:
  QtTextSurface(int width, int height, const QFont& font, const QFontMetrics& fm)
      : TextSurface(width, height, fm.horizontalAdvance(QLatin1Char('M')), fm.height()),
        font_(font),
        ascent_(fm.ascent()),
        image_(reinterpret_cast<uchar*>(px_.data()), width_, height_, width_ * 4, QImage::Format_RGB32) {}

  void drawUnits(int x, int y, std::u16string_view units, std::uint32_t fg, std::uint32_t bg) override {
    if (units.empty() || image_.isNull()) return;
    int cells = 0;
    for (char16_t u : units) cells += cellsOf(u);
    QPainter p(&image_);
    p.fillRect(x, y, cells * cellWidth_, cellHeight_, QColor::fromRgb(bg & 0xFFFFFFu));
    p.setFont(font_);
    p.setPen(QColor::fromRgb(fg & 0xFFFFFFu));
    p.setClipRect(x, y, cells * cellWidth_, cellHeight_);
    const int baseline = y + ascent_;
    std::size_t i = 0;
    while (i < units.size()) {
      std::size_t n = 1;
      if (isPlainAscii(units[i])) {
        while (i + n < units.size() && isPlainAscii(units[i + n])) ++n;
      } else if (isHighSurrogate(units[i]) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
        n = 2;  // one character in four cells
      }
      int w = 0;
      for (std::size_t k = 0; k < n; ++k) w += cellsOf(units[i + k]);
      const QString text = QString::fromUtf16(units.data() + i, static_cast<qsizetype>(n));
      if (n == 1 && (units[i] == u' ' || units[i] == u'\u3000')) {
        // blanks are background only
      } else if (n == 1 && !isPlainAscii(units[i]) && units[i] >= 0x20) {
        // A double-width character is centred on its two cells.
        p.drawText(QRect(x, y, w * cellWidth_, cellHeight_), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                   text);
      } else {
        p.drawText(QPointF(x, baseline), text);
      }
      x += w * cellWidth_;
      i += n;
    }
  }

 private:
  QFont font_;
  int ascent_;
  QImage image_;  // over px_, which never moves
};

}  // namespace

std::unique_ptr<TextSurface> makeQtSurface(int width, int height) {
  const QFont font = textFont();
  const QFontMetrics fm(font);
  return std::make_unique<QtTextSurface>(width, height, font, fm);
}

void installQt(QtWindowSystem&, int instance) {
  Hooks& h = hooks();
  h.makeSurface = makeQtSurface;
  h.instance = instance;
  h.clipboardText = [] {
    // The shell's window system, looked up each time: it goes with its framework.
    auto* qws = dynamic_cast<QtWindowSystem*>(shell().windowSystem());
    if (!qws) return std::u16string();
    return qws->onGui([] {
      const QClipboard* cb = QGuiApplication::clipboard();
      const QString text = cb ? cb->text() : QString();
      return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    });
  };
  h.setClipboardText = [](const std::string& utf8) {
    auto* qws = dynamic_cast<QtWindowSystem*>(shell().windowSystem());
    if (!qws) return false;
    return qws->onGui([&] {
      QClipboard* cb = QGuiApplication::clipboard();
      if (!cb) return false;
      cb->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
      return true;
    });
  };
  installCommands(startDirectories().log, instance);
  install();
}

}  // namespace rozoru::textwin
