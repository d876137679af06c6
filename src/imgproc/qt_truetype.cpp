#include "imgproc/qt_truetype.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <optional>

namespace rozoru {

namespace {

constexpr int kMaxCell = 2048;

class QtTrueType final : public TrueTypeEngine {
 public:
  bool makeFont(const TrueTypeFontDesc& d) override {
    font_.reset();
    const QString face = QStringLiteral("IPAGothic");
    if (!QFontDatabase::hasFamily(face)) {
      static std::atomic<bool> told{false};
      if (!told.exchange(true))
        std::fprintf(stderr, "TrueType text: the font IPAGothic is not installed (Debian package "
                             "fonts-ipafont-gothic); TrueType text draws nothing.\n");
      return false;
    }
    if (d.halfWidth <= 0 || d.height <= 0 || d.halfWidth > kMaxCell || d.height > kMaxCell) return false;
    QFont f(face);
    f.setStyleStrategy(QFont::NoFontMerging);
    f.setKerning(false);
    f.setWeight(d.weight == 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(d.italic);
    f.setUnderline(d.underline);
    // The cell height is the font's ascent plus descent, as the face's
    // em is a little shorter than that.
    f.setPixelSize(d.height);
    const QFontMetricsF m0(f);
    const double cell = m0.ascent() + m0.descent();
    if (cell > 0) f.setPixelSize(std::max(1, static_cast<int>(std::lround(d.height * d.height / cell))));
    // The width given is that of a half-width character: the face's are
    // half an em, and stretching makes them halfWidth.
    const double natural = QFontMetricsF(f).horizontalAdvance(QLatin1Char('0'));
    if (natural > 0)
      f.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * d.halfWidth / natural)), 1, 4000));
    font_ = f;
    height_ = d.height;
    ascent_ = QFontMetrics(f).ascent();
    return true;
  }

  bool render(char32_t cp, GlyphMask& out) override {
    if (!font_) return false;
    const QString s = QString::fromUcs4(&cp, 1);
    const QFontMetrics fm(*font_);
    out.advance = static_cast<int>(std::lround(QFontMetricsF(*font_).horizontalAdvance(s)));
    // The glyph's ink (which italics and some marks carry outside the cell)
    // and the cell, where an underline runs.
    const QRect ink = fm.boundingRect(s).translated(0, ascent_).adjusted(-1, -1, 1, 1);
    const QRect box = ink.united(QRect(0, 0, std::max(out.advance, 1), height_));
    QImage img(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) return false;
    img.fill(Qt::transparent);
    {
      QPainter p(&img);
      p.setFont(*font_);
      p.setPen(Qt::white);
      p.drawText(QPointF(-box.left(), ascent_ - box.top()), s);
    }
    out.left = box.left();
    out.top = box.top();
    out.width = box.width();
    out.height = box.height();
    out.coverage.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      for (int x = 0; x < out.width; ++x)
        out.coverage[static_cast<std::size_t>(y * out.width + x)] = static_cast<std::uint8_t>(qAlpha(row[x]));
    }
    return true;
  }

 private:
  std::optional<QFont> font_;
  int height_ = 0, ascent_ = 0;
};

}  // namespace

std::unique_ptr<TrueTypeEngine> makeQtTrueTypeEngine() { return std::make_unique<QtTrueType>(); }

}  // namespace rozoru
