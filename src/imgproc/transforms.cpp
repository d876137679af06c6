#include "imgproc/transforms.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <vector>

#include "imgproc/scale.h"
#include "rozoru/imgproc.h"

namespace rozoru {

namespace {

template <typename T>
void flipRowsT(T* px, int w, int h, std::ptrdiff_t stride) {
  for (int y = 0; y < h; ++y) {
    // The two halves never overlap: restricted, the swaps run in vector registers.
    T* __restrict left = px + y * stride;
    T* __restrict right = left + (w - 1);
    for (int i = 0; i < w / 2; ++i) {
      const T t = left[i];
      left[i] = right[-i];
      right[-i] = t;
    }
  }
}

// Whole rows through one spare row: three block copies per pair.
template <typename T>
void flipColumnsT(T* px, int w, int h, std::ptrdiff_t stride) {
  std::vector<T> spare(static_cast<std::size_t>(w));
  const std::size_t bytes = static_cast<std::size_t>(w) * sizeof(T);
  for (int y = 0; y < h / 2; ++y) {
    T* a = px + y * stride;
    T* b = px + (h - 1 - y) * stride;
    std::memcpy(spare.data(), a, bytes);
    std::memcpy(a, b, bytes);
    std::memcpy(b, spare.data(), bytes);
  }
}

// Square tiles keep both the rows read and the rows written in the cache.
constexpr int kTile = 32;

template <typename T>
void rotateRightT(const T* src, int w, int h, std::ptrdiff_t srcStride, T* dst, std::ptrdiff_t dstStride) {
  for (int ty = 0; ty < w; ty += kTile)
    for (int tx = 0; tx < h; tx += kTile) {
      const int yEnd = std::min(w, ty + kTile), xEnd = std::min(h, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        T* out = dst + y * dstStride;
        const T* in = src + y + std::ptrdiff_t{h - 1} * srcStride;  // column y, from the bottom row up
        for (int x = tx; x < xEnd; ++x) out[x] = in[-x * srcStride];
      }
    }
}

template <typename T>
void rotateLeftT(const T* src, int w, int h, std::ptrdiff_t srcStride, T* dst, std::ptrdiff_t dstStride) {
  for (int ty = 0; ty < w; ty += kTile)
    for (int tx = 0; tx < h; tx += kTile) {
      const int yEnd = std::min(w, ty + kTile), xEnd = std::min(h, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        T* out = dst + y * dstStride;
        const T* in = src + (w - 1 - y);  // column w - 1 - y, from the top row down
        for (int x = tx; x < xEnd; ++x) out[x] = in[x * srcStride];
      }
    }
}

bool inUse(int id) { return static_cast<unsigned>(id) < unsigned{KAV_MAX_IMAGES} && kav_image[id].inUse != 0; }

// Slot id's pixels as one packed copy (rows of w elements; T is the
// depth's element), or nothing when there is no memory for it.
template <typename T>
bool packedCopy(int id, std::vector<T>& out) {
  const ImageSlot& s = kav_image[id];
  const auto w = static_cast<std::size_t>(s.width);
  try {
    out.resize(w * static_cast<std::size_t>(s.height));
  } catch (const std::exception&) {
    return false;
  }
  const std::ptrdiff_t stride = s.bitDepth == 32 ? s.width * std::ptrdiff_t{4} : KAV_Stride8(s.width);
  if (w * sizeof(T) == static_cast<std::size_t>(stride)) {
    std::memcpy(out.data(), KAV_ImageBytes[id], out.size() * sizeof(T));
    return true;
  }
  for (int y = 0; y < s.height; ++y)
    std::memcpy(out.data() + static_cast<std::size_t>(y) * w, KAV_ImageBytes[id] + y * stride, w * sizeof(T));
  return true;
}

enum class Turn { Right, Left };

void rotate(Turn turn) {
  const int id = KAV_CurrentImage();
  if (!inUse(id)) return;
  const int w = kav_image[id].width, h = kav_image[id].height;
  if (kav_image[id].bitDepth == 32) {
    std::vector<std::uint32_t> old;
    if (!packedCopy(id, old) || KAV_ResizeImage(id, h, w) != 0) return;
    if (turn == Turn::Right)
      rotateRight(old.data(), w, h, w, KAV_ImagePixels[id], h);
    else
      rotateLeft(old.data(), w, h, w, KAV_ImagePixels[id], h);
  } else {
    std::vector<std::uint8_t> old;
    if (!packedCopy(id, old) || KAV_ResizeImage(id, h, w) != 0) return;
    if (turn == Turn::Right)
      rotateRight(old.data(), w, h, w, KAV_ImageBytes[id], KAV_Stride8(h));
    else
      rotateLeft(old.data(), w, h, w, KAV_ImageBytes[id], KAV_Stride8(h));
  }
  KAV_UpdateImage(id);
}

}  // namespace

void flipRows(std::uint32_t* px, int w, int h, std::ptrdiff_t stride) { flipRowsT(px, w, h, stride); }
void flipRows(std::uint8_t* px, int w, int h, std::ptrdiff_t stride) { flipRowsT(px, w, h, stride); }
void flipColumns(std::uint32_t* px, int w, int h, std::ptrdiff_t stride) { flipColumnsT(px, w, h, stride); }
void flipColumns(std::uint8_t* px, int w, int h, std::ptrdiff_t stride) { flipColumnsT(px, w, h, stride); }

void rotateRight(const std::uint32_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint32_t* dst,
                 std::ptrdiff_t dstStride) {
  rotateRightT(src, w, h, srcStride, dst, dstStride);
}
void rotateRight(const std::uint8_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint8_t* dst,
                 std::ptrdiff_t dstStride) {
  rotateRightT(src, w, h, srcStride, dst, dstStride);
}
void rotateLeft(const std::uint32_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint32_t* dst,
                std::ptrdiff_t dstStride) {
  rotateLeftT(src, w, h, srcStride, dst, dstStride);
}
void rotateLeft(const std::uint8_t* src, int w, int h, std::ptrdiff_t srcStride, std::uint8_t* dst,
                std::ptrdiff_t dstStride) {
  rotateLeftT(src, w, h, srcStride, dst, dstStride);
}

long long scaledSide(int side, int factor) {
  const long long v = (static_cast<long long>(side) * factor + 500) / 1000;
  return v > INT_MAX ? -1 : std::max(1LL, v);
}

}  // namespace rozoru

using namespace rozoru;

void KAV_FlipHorizontal(int id) {
  if (!inUse(id)) return;
  const ImageSlot& s = kav_image[id];
  if (s.bitDepth == 32)
    flipRows(KAV_ImagePixels[id], s.width, s.height, s.width);
  else
    flipRows(KAV_ImageBytes[id], s.width, s.height, KAV_Stride8(s.width));
}

void KAV_FlipVertical(int id) {
  if (!inUse(id)) return;
  const ImageSlot& s = kav_image[id];
  if (s.bitDepth == 32)
    flipColumns(KAV_ImagePixels[id], s.width, s.height, s.width);
  else
    flipColumns(KAV_ImageBytes[id], s.width, s.height, KAV_Stride8(s.width));
}

void KAV_RotateRight() { rotate(Turn::Right); }
void KAV_RotateLeft() { rotate(Turn::Left); }

void KAV_ScaleImage(int factor) {
  const int id = KAV_CurrentImage();
  if (!inUse(id) || factor <= 0) return;
  const int w = kav_image[id].width, h = kav_image[id].height;
  const long long nw = scaledSide(w, factor), nh = scaledSide(h, factor);
  if (nw < 0 || nh < 0) return;
  const int dw = static_cast<int>(nw), dh = static_cast<int>(nh);
  const bool smooth = kav_image[id].stretchMode == 4;
  if (kav_image[id].bitDepth == 32) {
    std::vector<std::uint32_t> old;
    if (!packedCopy(id, old) || KAV_ResizeImage(id, dw, dh) != 0) return;
    if (smooth)
      scaleSmooth(old.data(), w, h, w, KAV_ImagePixels[id], dw, dh, dw);
    else
      scaleNearest(old.data(), w, h, w, KAV_ImagePixels[id], dw, dh, dw);
  } else {
    std::vector<std::uint8_t> old;
    std::uint32_t palette[256];
    if (!packedCopy(id, old) || KAV_GetColorTable(palette) != 0 || KAV_ResizeImage(id, dw, dh) != 0) return;
    const int stride = static_cast<int>(KAV_Stride8(dw));
    if (smooth)
      scaleIndexedSmooth(old.data(), w, h, w, palette, KAV_ImageBytes[id], dw, dh, stride);
    else
      scaleNearest8(old.data(), w, h, w, KAV_ImageBytes[id], dw, dh, stride);
  }
  KAV_UpdateImage(id);
}
