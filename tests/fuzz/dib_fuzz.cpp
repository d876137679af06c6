// The clipboard's bitmap-block reader on any bytes, as a bare block and as a
// BMP file: no picture, or one whose sizes and buffers agree; a broken
// promise aborts (the sanitizers report reads outside the input).
#include <cstdlib>

#include "imageio/dib_block.h"

namespace {

bool holds(const std::optional<rozoru::imageio::DibPicture>& p) {
  if (!p) return true;
  const auto pixels = static_cast<std::uint64_t>(p->width) * static_cast<std::uint64_t>(p->height);
  const bool table = p->count > 0;
  return p->width > 0 && p->height > 0 && pixels <= rozoru::imageio::kMaxPictureBytes / 4 && p->rgb.size() == pixels &&
         p->count <= 256 && p->indices.size() == (table ? pixels : 0) && table == (p->bitCount <= 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!holds(rozoru::imageio::readDibBlock(data, size)) || !holds(rozoru::imageio::readBmpFile(data, size))) std::abort();
  return 0;
}
