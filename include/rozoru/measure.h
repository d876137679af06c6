// Measurement plots: image rows as curves and chroma charts, drawn into the
// current image. Thread-bound: worker thread, like every drawing call.
#pragma once

#include <cstdint>

#include "rozoru/image.h"

// Channel flags of KAV_PlotProfile; the first one set (in this order) decides.
inline constexpr int KAV_PROFILE_RED = 0x1;
inline constexpr int KAV_PROFILE_GREEN = 0x2;
inline constexpr int KAV_PROFILE_BLUE = 0x4;
inline constexpr int KAV_PROFILE_HUE = 0x8;         // scaled by 359, the others by 255
inline constexpr int KAV_PROFILE_SATURATION = 0x10;
inline constexpr int KAV_PROFILE_VALUE = 0x20;
inline constexpr int KAV_PROFILE_Y = 0x100;
inline constexpr int KAV_PROFILE_CR = 0x200;        // Cr + 128
inline constexpr int KAV_PROFILE_CB = 0x400;        // Cb + 128
inline constexpr int KAV_PROFILE_BYTE = 0x1000;     // the element of an 8-bit row
// Drawing flags: points alone, or a polyline from the first point on.
inline constexpr int KAV_PROFILE_POINTS = 0x40;
inline constexpr int KAV_PROFILE_LINES = 0x80;

// Element i = pixel (i, y) of the current image, 0 outside: Pixel32 values for
// a 32-bit image, bytes for an 8-bit one. Nothing written when no image is current.
void KAV_GetRowPixels(void* buffer, int y, int count);

// One curve of a 32-bit row: count points at x = xoff + i, y = 127 - v * 127 / s
// (s = 359 for hue, else 255); KAV_PROFILE_BYTE reads each pixel's low byte.
void KAV_PlotProfile(const Pixel32* buffer, int xoff, int count, int flags, Pixel32 colour);
// One curve of an 8-bit row the same way; colour flags read byte b as the grey (b, b, b).
void KAV_PlotProfile(const std::uint8_t* buffer, int xoff, int count, int flags, Pixel32 colour);

// Chroma chart of a row: axes, then the pixels joined in order, the colour
// alternating white and magenta segment by segment.
void KAV_PlotCrCbLine(const Pixel32* buffer, int count);
// Chroma chart of an area of rows x columns pixels: axes, then each row joined in white.
void KAV_PlotCrCbArea(int rows, const Pixel32* buffer, int columns);
