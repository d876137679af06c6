#include "image/zoom.h"

#include <algorithm>
#include <cstdint>

namespace rozoru {

ZoomFit fitZoom(int w, int h, int requested, const ZoomScreen& s) {
  // The products are 32-bit integers, as the sizes and zooms are.
  const double a = static_cast<double>(static_cast<std::int32_t>(static_cast<std::int64_t>(w) * requested)) / 100.0;
  const double b = static_cast<double>(static_cast<std::int32_t>(static_cast<std::int64_t>(h) * requested)) / 100.0;
  const double a1 = std::min(a, static_cast<double>(s.screenWidth)) < 1.0 ? 1.0 : std::min(a, static_cast<double>(s.screenWidth));
  const double b1 = std::min(b, static_cast<double>(s.usableHeight)) < 1.0 ? 1.0 : std::min(b, static_cast<double>(s.usableHeight));
  ZoomFit f;
  f.zoom = static_cast<int>(std::min(a1 * 100.0 / w, b1 * 100.0 / h));
  f.displayWidth = f.zoom * w / 100;
  f.displayHeight = f.zoom * h / 100;
  if (f.displayWidth < s.minClientWidth || f.displayHeight < s.minClientHeight) {
    // In 64 bits: a width near INT_MAX must not wrap.
    const int fw = static_cast<int>((std::int64_t{s.minClientWidth} * 100 + w - 1) / w);
    const int fh = static_cast<int>((std::int64_t{s.minClientHeight} * 100 + h - 1) / h);
    f.zoom = std::max(fw, fh);
    f.displayWidth = static_cast<int>(static_cast<std::int64_t>(f.zoom) * w / 100);
    f.displayHeight = static_cast<int>(static_cast<std::int64_t>(f.zoom) * h / 100);
    if (f.displayWidth > s.screenWidth || f.displayHeight > s.usableHeight) return ZoomFit{};
  }
  f.ok = true;
  return f;
}

std::string imageCaption(const std::string& title, int zoom, int bitDepth, int stretchMode) {
  std::string suffix = "(" + std::to_string(zoom) + "%)";
  if (bitDepth == 8) suffix += "[8bit]";
  if (stretchMode == 4) suffix += "*";
  constexpr std::size_t kMax = 255;
  std::string name = title;
  if (name.size() + suffix.size() > kMax) {
    std::size_t cut = kMax > suffix.size() ? kMax - suffix.size() : 0;
    // Never split a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name + suffix;
}

}  // namespace rozoru
