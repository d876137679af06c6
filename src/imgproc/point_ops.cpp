// Operations that change pixels without moving them: invert and clear.
#include <cstring>

#include "rozoru/imgproc.h"

namespace {

bool inUse(int id) { return static_cast<unsigned>(id) < unsigned{KAV_MAX_IMAGES} && kav_image[id].inUse != 0; }

}  // namespace

// Bits 24-31 stay: camera frames may carry data there, and every other
// pixel operation of the framework keeps them too.
void KAV_Invert(int id) {
  if (!inUse(id)) return;
  const ImageSlot& s = kav_image[id];
  if (s.bitDepth == 32) {
    Pixel32* px = KAV_ImagePixels[id];
    const std::size_t n = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
    for (std::size_t i = 0; i < n; ++i) px[i] ^= 0x00FFFFFFu;
    return;
  }
  // Only the picture's bytes: the padding at the end of each row is not a pixel.
  // Local copies: a byte store could otherwise change the slot's fields.
  const int w = s.width, h = s.height;
  const std::ptrdiff_t stride = KAV_Stride8(w);
  std::uint8_t* const bytes = KAV_ImageBytes[id];
  // Rows without padding are one run.
  const int rows = stride == w ? 1 : h;
  const std::ptrdiff_t run = stride == w ? stride * h : w;
  for (int y = 0; y < rows; ++y) {
    std::uint8_t* row = bytes + y * stride;
    for (std::ptrdiff_t x = 0; x < run; ++x) row[x] = static_cast<std::uint8_t>(row[x] ^ 0xFFu);
  }
}

void KAV_ClearImage(int id) {
  if (!inUse(id)) return;
  const ImageSlot& s = kav_image[id];
  const std::size_t row = s.bitDepth == 32 ? static_cast<std::size_t>(s.width) * 4 : static_cast<std::size_t>(KAV_Stride8(s.width));
  std::memset(KAV_ImageBytes[id], 0, row * static_cast<std::size_t>(s.height));
}
