#include "app/jpeg_comment.h"

namespace stereo {

std::optional<rozoru::imageio::Bytes> withJpegComment(const rozoru::imageio::Bytes& jpeg, const std::string& text) {
  constexpr std::size_t kMaxText = 0xFFFF - 2;  // the length field counts itself
  if (text.size() > kMaxText || jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
  std::size_t at = 2;
  // Past APP0-APP15, each FF En, a two-byte length (itself included), data.
  while (at + 1 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] >= 0xE0 && jpeg[at + 1] <= 0xEF) {
    if (at + 4 > jpeg.size()) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (length < 2 || at + 2 + length > jpeg.size()) return std::nullopt;
    at += 2 + length;
  }
  if (at + 1 >= jpeg.size() || jpeg[at] != 0xFF) return std::nullopt;
  const std::size_t length = text.size() + 2;
  rozoru::imageio::Bytes out;
  out.reserve(jpeg.size() + 2 + length);
  out.insert(out.end(), jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
  out.insert(out.end(), {0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)});
  out.insert(out.end(), text.begin(), text.end());
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
  return out;
}

}  // namespace stereo
