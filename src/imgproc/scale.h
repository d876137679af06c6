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

// Looks up each index in a 256-entry table (8-bit images to 0x00RRGGBB).
void expandIndexed(const std::uint8_t* src, int w, int h, int srcStrideBytes, const std::uint32_t* table,
                   std::uint32_t* dst, int dstStride);

}  // namespace rozoru
