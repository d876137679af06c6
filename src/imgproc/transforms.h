// Pixel mappings of the mirror and rotation commands over plain buffers
// (strides in elements), for 32-bit pixels and 8-bit indexes. Reentrant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rozoru {

// In place: row y becomes its own mirror image.
void flipRows(std::uint32_t* px, int w, int h, std::ptrdiff_t stride);
void flipRows(std::uint8_t* px, int w, int h, std::ptrdiff_t stride);
// In place: row y and row h - 1 - y change places.
void flipColumns(std::uint32_t* px, int w, int h, std::ptrdiff_t stride);
void flipColumns(std::uint8_t* px, int w, int h, std::ptrdiff_t stride);

// src is w x h; dst is h wide and w high. Clockwise: dst(x', y') = src(y', h - 1 - x').
void rotateRight(const std::uint32_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint32_t* dst,
                 std::ptrdiff_t dstStride);
void rotateRight(const std::uint8_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint8_t* dst,
                 std::ptrdiff_t dstStride);
// Counter-clockwise: dst(x', y') = src(w - 1 - y', x').
void rotateLeft(const std::uint32_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint32_t* dst,
                std::ptrdiff_t dstStride);
void rotateLeft(const std::uint8_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint8_t* dst,
                std::ptrdiff_t dstStride);

// Scaled size of one side: (side * factor + 500) / 1000, at least 1 (as a
// resize makes it); -1 when it exceeds INT_MAX.
long long scaledSide(int side, int factor);

}  // namespace rozoru
