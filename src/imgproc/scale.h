// Scaling a 0x00RRGGBB picture to another size. Reentrant; plain functions
// over pixel spans (strides in pixels).
#pragma once

#include <cstdint>

namespace rozoru {

// Repeats or drops pixels: destination pixel (x, y) takes source pixel
// (x * sw / dw, y * sh / dh).
void scaleNearest(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                  int dstStride);

// Smooths: each destination pixel is the area-weighted mean of the source
// pixels it covers when shrinking, a bilinear blend when enlarging. Equal
// sizes copy pixels unchanged.
void scaleSmooth(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                 int dstStride);

// scaleNearest for 8-bit indexes: the same source pixel for each destination
// pixel, indexes unchanged (strides in bytes).
void scaleNearest8(const std::uint8_t* src, int sw, int sh, int srcStride, std::uint8_t* dst, int dw, int dh,
                   int dstStride);

// scaleSmooth for 8-bit indexes: the colours of the palette (256 entries
// 0x00RRGGBB) are averaged, and each result becomes the index of the palette
// entry nearest to it (squared RGB distance, the lowest index on ties).
void scaleIndexedSmooth(const std::uint8_t* src, int sw, int sh, int srcStride, const std::uint32_t* palette,
                        std::uint8_t* dst, int dw, int dh, int dstStride);

// Looks up each index in a 256-entry table (8-bit images to 0x00RRGGBB).
void expandIndexed(const std::uint8_t* src, int w, int h, int srcStrideBytes, const std::uint32_t* table,
                   std::uint32_t* dst, int dstStride);

}  // namespace rozoru
