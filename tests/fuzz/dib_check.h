// What every input to the bitmap-block reader must give: no picture, or a
// picture whose sizes and buffers agree. Shared by the libFuzzer target and
// the bounded randomised run of the unit tests; a broken promise aborts so
// that both report it (the sanitizers report reads outside the input).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "imageio/dib_block.h"

namespace rozoru::imageio {

inline bool pictureHolds(const std::optional<DibPicture>& p) {
  if (!p) return true;
  const auto pixels = static_cast<std::uint64_t>(p->width) * static_cast<std::uint64_t>(p->height);
  const bool table = p->count > 0;
  return p->width > 0 && p->height > 0 && pixels <= kMaxPictureBytes / 4 && p->rgb.size() == pixels &&
         p->count <= 256 && (table ? p->indices.size() == pixels : p->indices.empty()) &&
         (table == (p->bitCount <= 8));
}

// Reads data as a bare block and as a BMP file; aborts on a broken promise.
inline void checkDibReader(const std::uint8_t* data, std::size_t size) {
  if (!pictureHolds(readDibBlock(data, size)) || !pictureHolds(readBmpFile(data, size))) std::abort();
}

}  // namespace rozoru::imageio
