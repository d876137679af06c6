// Where profile curves and chroma chart points fall, and what each line
// profile tool draws.
#include "imgproc/measure.h"

#include "rozoru/colour.h"
#include "rozoru/measure.h"

namespace rozoru::measure {

int profileValue(Pixel32 pixel, int byteValue, int flags) {
  if (flags & KAV_PROFILE_RED) return static_cast<int>((pixel >> 16) & 0xFF);
  if (flags & KAV_PROFILE_GREEN) return static_cast<int>((pixel >> 8) & 0xFF);
  if (flags & KAV_PROFILE_BLUE) return static_cast<int>(pixel & 0xFF);
  if (flags & KAV_PROFILE_HUE) return KAV_RgbToH(pixel);
  if (flags & KAV_PROFILE_SATURATION) return KAV_RgbToS(pixel);
  if (flags & KAV_PROFILE_VALUE) return KAV_RgbToV(pixel);
  if (flags & (KAV_PROFILE_Y | KAV_PROFILE_CR | KAV_PROFILE_CB)) {
    int y = 0, cr = 0, cb = 0;
    KAV_RgbToYCrCb(pixel, &y, &cr, &cb);
    if (flags & KAV_PROFILE_Y) return y;
    if (flags & KAV_PROFILE_CR) return cr + 128;
    return cb + 128;
  }
  if (flags & KAV_PROFILE_BYTE) return byteValue;
  return -1;
}

int profileRow(int value, int flags) {
  // The first channel flag decides the scale, as it decides the value.
  const bool hue = (flags & KAV_PROFILE_HUE) && !(flags & (KAV_PROFILE_RED | KAV_PROFILE_GREEN | KAV_PROFILE_BLUE));
  return 127 - value * 127 / (hue ? 359 : 255);
}

Point chartPoint(Pixel32 pixel) {
  int y = 0, cr = 0, cb = 0;
  KAV_RgbToYCrCb(pixel, &y, &cr, &cb);
  return {cb + 128, 128 - cr};
}

const ProfileTool& profileTool(Profile p) {
  static const ProfileTool tools[] = {
      {"RGB(Y=%d)", 12, false, 3,
       {{{KAV_PROFILE_RED, 0xFF0000}, {KAV_PROFILE_GREEN, 0x00FF00}, {KAV_PROFILE_BLUE, 0x0000FF}}},
       {{{"R", 2, 40, 0xFF0000}, {"G", 2, 72, 0x00FF00}, {"B", 2, 104, 0x0000FF}}}},
      {"HSV(Y=%d)", 12, false, 3,
       {{{KAV_PROFILE_HUE, 0xFFFF00}, {KAV_PROFILE_SATURATION, 0xFF00FF}, {KAV_PROFILE_VALUE, 0x00FFFF}}},
       {{{"H", 2, 40, 0xFFFF00}, {"S", 2, 72, 0xFF00FF}, {"V", 2, 104, 0x00FFFF}}}},
      {"YCrCb(Y=%d)", 20, false, 3,
       {{{KAV_PROFILE_Y, 0xFFFFFF}, {KAV_PROFILE_CR, 0xFF8888}, {KAV_PROFILE_CB, 0x8888FF}}},
       {{{"Y", 4, 40, 0xFFFFFF}, {"Cr", 2, 72, 0xFF8888}, {"Cb", 2, 104, 0x8888FF}}}},
      {"Luminance(Y=%d)", 12, true, 1,
       {{{KAV_PROFILE_BYTE, 0xFFFFFF}, {0, 0}, {0, 0}}},
       {{{"L", 2, 40, 0xFFFFFF}, {"", 0, 0, 0}, {"", 0, 0, 0}}}},
  };
  return tools[static_cast<int>(p)];
}

}  // namespace rozoru::measure
