#include "rozoru/colour.h"

#include <algorithm>

namespace {

struct Rgb {
  int r, g, b;
};
Rgb channels(Pixel32 p) { return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)}; }

// The fixed-point rule: a signed division, so negative sums truncate toward zero.
int fixed(int cr, int cg, int cb, const Rgb& c) { return (cr * c.r + cg * c.g + cb * c.b + 32768) / 65536; }

int inverseChannel(int y, int terms) {
  const int v = (65536 * y + terms + 32768) / 65536;
  return v < 0 ? 0 : (v >= 255 ? 255 : v);
}

Pixel32 pack(int r, int g, int b) {
  return static_cast<Pixel32>(r) * 65536u + static_cast<Pixel32>(g) * 256u + static_cast<Pixel32>(b);
}

}  // namespace

void KAV_RgbToHsv(Pixel32 pixel, int* hue, int* saturation, int* value) {
  const Rgb c = channels(pixel);
  const int mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b}), d = mx - mn;
  int h = 0;
  if (d != 0) {
    if (mx == c.r && mn == c.b)
      h = 60 * (c.g - c.b) / d;
    else if (mx == c.g && mn == c.b)
      h = 60 * (c.g - c.r) / d + 60;
    else if (mx == c.g && mn == c.r)
      h = 60 * (c.b - c.r) / d + 120;
    else if (mx == c.b && mn == c.r)
      h = 60 * (c.b - c.g) / d + 180;
    else if (mx == c.b && mn == c.g)
      h = 60 * (c.r - c.g) / d + 240;
    else
      h = 60 * (c.r - c.b) / d + 300;
  }
  if (hue) *hue = h;
  if (saturation) *saturation = d;
  if (value) *value = mx;
}

int KAV_RgbToH(Pixel32 pixel) {
  int h = 0;
  KAV_RgbToHsv(pixel, &h, nullptr, nullptr);
  return h;
}
int KAV_RgbToS(Pixel32 pixel) {
  int s = 0;
  KAV_RgbToHsv(pixel, nullptr, &s, nullptr);
  return s;
}
int KAV_RgbToV(Pixel32 pixel) {
  int v = 0;
  KAV_RgbToHsv(pixel, nullptr, nullptr, &v);
  return v;
}

Pixel32 KAV_HsvToRgb(int value, int saturation, int hue) {
  const int m = std::max(0, value - saturation), c = value - m, h = hue;
  if (h <= 59) return pack(value, m + c * h / 60, m);
  if (h <= 119) return pack(m + c * (120 - h) / 60, value, m);
  if (h <= 179) return pack(m, value, m + c * (h - 120) / 60);
  if (h <= 239) return pack(m, m + c * (240 - h) / 60, value);
  if (h <= 299) return pack(m + c * (h - 240) / 60, m, value);
  return pack(value, m, m + c * (360 - h) / 60);
}

int KAV_RgbToY(Pixel32 pixel) { return fixed(19595, 38470, 7471, channels(pixel)); }

void KAV_RgbToYCrCb(Pixel32 pixel, int* y, int* cr, int* cb) {
  const Rgb c = channels(pixel);
  *y = fixed(19595, 38470, 7471, c);
  *cr = fixed(32768, -27460, -5308, c);
  *cb = fixed(-11076, -21692, 32768, c);
}

void KAV_RgbToYuv(Pixel32 pixel, int* y, int* u, int* v) {
  const Rgb c = channels(pixel);
  *y = fixed(19595, 38470, 7471, c);
  *u = fixed(-9634, -18940, 28574, c);
  *v = fixed(40305, -33751, -6554, c);
}

void KAV_RgbToYiq(Pixel32 pixel, int* y, int* i, int* q) {
  const Rgb c = channels(pixel);
  *y = fixed(19595, 38470, 7471, c);
  *i = fixed(39053, -18022, -21037, c);
  *q = fixed(13533, -32565, 19032, c);
}

Pixel32 KAV_YCrCbToRgb(int y, int cr, int cb) {
  return pack(inverseChannel(y, 91881 * cr), inverseChannel(y, -46793 * cr - 22544 * cb), inverseChannel(y, 116130 * cb));
}

Pixel32 KAV_YuvToRgb(int y, int v, int u) {
  return pack(inverseChannel(y, 74711 * v), inverseChannel(y, -38076 * v - 25952 * u), inverseChannel(y, 132973 * u));
}

Pixel32 KAV_YiqToRgb(int y, int i, int q) {
  return pack(inverseChannel(y, 62187 * i + 42998 * q), inverseChannel(y, -17334 * i - 44872 * q),
              inverseChannel(y, -73859 * i + 118292 * q));
}
