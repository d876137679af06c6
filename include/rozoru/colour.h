// Colour conversions of Pixel32 values, in exact integer arithmetic.
// Reentrant. Bits 24-31 of a pixel never matter.
#pragma once

#include "rozoru/image.h"

// Hue 0-359, saturation = max - min (0-255), value = max (0-255).
void KAV_RgbToHsv(Pixel32 pixel, int* hue, int* saturation, int* value);
int KAV_RgbToH(Pixel32 pixel);
int KAV_RgbToS(Pixel32 pixel);
int KAV_RgbToV(Pixel32 pixel);
// Back from value, saturation and hue; not clamped.
Pixel32 KAV_HsvToRgb(int value, int saturation, int hue);

// Forward transforms: each component is (coefficients . (R, G, B) + 32768) / 65536,
// truncated toward zero.
int KAV_RgbToY(Pixel32 pixel);
void KAV_RgbToYCrCb(Pixel32 pixel, int* y, int* cr, int* cb);
void KAV_RgbToYuv(Pixel32 pixel, int* y, int* u, int* v);
void KAV_RgbToYiq(Pixel32 pixel, int* y, int* i, int* q);

// Inverse transforms of the test patterns; each channel clamped to 0-255.
Pixel32 KAV_YCrCbToRgb(int y, int cr, int cb);
Pixel32 KAV_YuvToRgb(int y, int v, int u);
Pixel32 KAV_YiqToRgb(int y, int i, int q);
