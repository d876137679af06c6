// Point operations, test patterns and geometric transforms of image slots.
// Worker thread only. Each one does nothing when its slot is not in use; the
// caller repaints the window afterwards (KAV_UpdateImage), except where noted.
#pragma once

#include "rozoru/image.h"

// Inverts every pixel of slot id: XOR 0xFFFFFF (bits 24-31 kept), 8-bit indexes XOR 0xFF.
void KAV_Invert(int id);
// Sets every byte of slot id's pixel memory to 0 (black, or index 0).
void KAV_ClearImage(int id);

// Test patterns over the current image, row by row with pen-moving writes (the
// pen ends at the last pixel); 8-bit images receive the low byte.
// Red grows to the right, green downwards, blue falls along the diagonal.
void KAV_TestPatternRgb();
// Hue across; saturation rises over the top half, value falls over the bottom half.
void KAV_TestPatternHsv();
// Chroma planes around a black centre, through the inverse YCrCb, YUV and YIQ transforms.
void KAV_TestPatternYCrCb();
void KAV_TestPatternYuv();
void KAV_TestPatternYiq();
// Grey ramps (top half rising, bottom half falling); an 8-bit image gets the grey palette.
void KAV_TestPatternGrey();

// Mirrors slot id left to right, in place.
void KAV_FlipHorizontal(int id);
// Mirrors slot id top to bottom, in place.
void KAV_FlipVertical(int id);
// Rotates the current image 90 degrees clockwise; it becomes H wide and W high.
// When the new size cannot be made the picture stays as it was. Repaints.
void KAV_RotateRight();
// Rotates the current image 90 degrees counter-clockwise, as KAV_RotateRight.
void KAV_RotateLeft();
// Resamples the current image by factor thousandths to (W * factor + 500) / 1000
// by (H * factor + 500) / 1000: stretch mode 3 takes one source pixel, mode 4
// averages (8-bit images: averaged through the palette, then the nearest
// entry). factor <= 0, or a size that cannot be made, keeps the picture. Repaints.
void KAV_ScaleImage(int factor);
