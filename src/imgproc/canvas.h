// The current image as a drawing target, with the addressing and the write
// rules shared by every drawing primitive. Worker thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rozoru/image.h"

namespace rozoru {

// How a primitive marks a pixel: write the value, or invert.
enum class Ink { Set, Xor };

struct Canvas {
  Pixel32* p32 = nullptr;     // 32-bit images: y * width + x
  std::uint8_t* p8 = nullptr; // 8-bit images: y * stride8 + x
  int width = 0, height = 0;
  std::ptrdiff_t stride8 = 0;

  // False while the current slot is not in use: nothing is drawn.
  bool valid() const { return p32 != nullptr || p8 != nullptr; }
  // Coordinates compare as unsigned, so negatives are outside; 64 bits so
  // that shape maths far outside the image never wraps into it.
  bool inside(std::int64_t x, std::int64_t y) const {
    return x >= 0 && y >= 0 && x < width && y < height;
  }
  // The next three require inside(x, y).
  void set(std::int64_t x, std::int64_t y, Pixel32 v) const {
    if (p32) p32[y * width + x] = v;
    else p8[y * stride8 + x] = static_cast<std::uint8_t>(v);
  }
  void invert(std::int64_t x, std::int64_t y) const {
    if (p32) p32[y * width + x] ^= 0xFFFFFFu;
    else p8[y * stride8 + x] ^= 0xFFu;
  }
  Pixel32 get(std::int64_t x, std::int64_t y) const {
    return p32 ? p32[y * width + x] : Pixel32{p8[y * stride8 + x]};
  }
  void mark(std::int64_t x, std::int64_t y, Ink ink, Pixel32 v) const {
    if (ink == Ink::Set) set(x, y, v);
    else invert(x, y);
  }
  // The value as a pixel of this image stores it.
  Pixel32 stored(Pixel32 v) const { return p32 ? v : (v & 0xFFu); }
};

// The current image, or an invalid canvas when its slot is not in use.
Canvas currentCanvas();

// Line from (x1, y1) to (x2, y2), every pixel marked once; the pen is not
// touched. Only the pixels inside are visited, in walk order.
void lineOn(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
            Ink ink, Pixel32 v);

}  // namespace rozoru
