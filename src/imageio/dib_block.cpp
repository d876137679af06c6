#include "imageio/dib_block.h"

#include <bit>
#include <cstring>

namespace rozoru::imageio {

namespace {

constexpr std::uint64_t kTableBytes = 256 * 4;

std::uint64_t rowBytes(std::uint64_t width, std::uint64_t bits) { return (width * bits + 31) / 32 * 4; }

void put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}
std::uint32_t get16(const std::uint8_t* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }
std::uint32_t get32(const std::uint8_t* p) { return get16(p) | get16(p + 2) << 16; }
std::int32_t getSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(get32(p)); }

// One colour channel under a mask, scaled to 0-255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;  // the channel's largest value
  std::uint32_t get(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
  }
};

// A mask's bits must be contiguous; an empty mask gives a channel of 0.
std::optional<Channel> channel(std::uint32_t mask) {
  if (mask == 0) return Channel{};
  const int shift = std::countr_zero(mask);
  const std::uint32_t bits = mask >> shift;
  if ((bits & (bits + 1)) != 0) return std::nullopt;
  return Channel{mask, shift, bits};
}

struct Layout {
  std::uint64_t width = 0, height = 0;
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint64_t tableEntries = 0;
  std::uint64_t tableOffset = 0;
  std::uint64_t pixelOffset = 0;  // the earliest the pixels may start
  Channel red, green, blue;
};

// Everything the header says, checked against the block's size in 64 bits.
std::optional<Layout> layoutOf(const std::uint8_t* d, std::uint64_t size) {
  if (size < kDibHeaderBytes) return std::nullopt;
  const std::uint64_t headerSize = get32(d);
  if (headerSize < kDibHeaderBytes || headerSize > size) return std::nullopt;
  const std::int64_t width = getSigned32(d + 4), height = getSigned32(d + 8);
  const std::uint32_t planes = get16(d + 12), bits = get16(d + 14), compression = get32(d + 16);
  const std::uint64_t coloursUsed = get32(d + 32);
  if (planes != 1 || width <= 0 || height == 0) return std::nullopt;
  Layout l;
  l.width = static_cast<std::uint64_t>(width);
  l.topDown = height < 0;
  l.height = static_cast<std::uint64_t>(height < 0 ? -height : height);
  if (l.width * l.height > kMaxPictureBytes / 4) return std::nullopt;
  l.bits = bits;
  std::uint64_t offset = headerSize;
  switch (bits) {
    case 1:
    case 4:
    case 8:
      if (compression != 0 || coloursUsed > 256) return std::nullopt;
      l.tableEntries = coloursUsed != 0 ? coloursUsed : std::uint64_t{1} << bits;
      if (l.tableEntries > 256) return std::nullopt;
      l.tableOffset = offset;
      offset += l.tableEntries * 4;
      break;
    case 24:
      if (compression != 0) return std::nullopt;
      break;
    case 16:
    case 32:
      if (compression == 0) {
        const bool five = bits == 16;
        l.red = *channel(five ? 0x7C00u : 0xFF0000u);
        l.green = *channel(five ? 0x03E0u : 0x00FF00u);
        l.blue = *channel(five ? 0x001Fu : 0x0000FFu);
      } else if (compression == 3) {
        // Masks follow a 40-byte header; longer headers hold them.
        if (headerSize == kDibHeaderBytes) {
          offset += 12;
        } else if (headerSize < 52) {
          return std::nullopt;
        }
        if (offset > size) return std::nullopt;
        const auto r = channel(get32(d + 40)), g = channel(get32(d + 44)), b = channel(get32(d + 48));
        if (!r || !g || !b) return std::nullopt;
        l.red = *r, l.green = *g, l.blue = *b;
      } else {
        return std::nullopt;
      }
      break;
    default:
      return std::nullopt;
  }
  l.pixelOffset = offset;
  return l;
}

// The pixels from offset on: every row must lie inside the block (the last
// one needs no padding).
std::optional<DibPicture> decode(const std::uint8_t* d, std::uint64_t size, const Layout& l, std::uint64_t offset) {
  const std::uint64_t stride = rowBytes(l.width, l.bits), used = (l.width * l.bits + 7) / 8;
  if (offset > size || (size - offset) / stride < l.height - 1 || size - offset - stride * (l.height - 1) < used)
    return std::nullopt;
  DibPicture p;
  p.width = static_cast<int>(l.width);
  p.height = static_cast<int>(l.height);
  p.bitCount = static_cast<int>(l.bits);
  const std::size_t w = static_cast<std::size_t>(l.width), h = static_cast<std::size_t>(l.height);
  p.rgb.resize(w * h);
  if (l.tableEntries > 0) {
    p.count = static_cast<int>(l.tableEntries);
    for (std::size_t i = 0; i < l.tableEntries; ++i) p.table[i] = get32(d + l.tableOffset + 4 * i) & 0x00FFFFFFu;
    p.indices.resize(w * h);
  }
  const std::uint32_t mask = (1u << (l.bits & 15)) - 1;  // 1, 4 and 8 bits
  for (std::size_t y = 0; y < h; ++y) {
    const std::size_t stored = l.topDown ? y : h - 1 - y;
    const std::uint8_t* row = d + offset + stored * stride;
    std::uint32_t* out = &p.rgb[y * w];
    for (std::size_t x = 0; x < w; ++x) {
      switch (l.bits) {
        case 24:
          out[x] = std::uint32_t{row[3 * x]} | std::uint32_t{row[3 * x + 1]} << 8 | std::uint32_t{row[3 * x + 2]} << 16;
          break;
        case 16:
        case 32: {
          const std::uint32_t v = l.bits == 16 ? get16(row + 2 * x) : get32(row + 4 * x);
          out[x] = l.red.get(v) << 16 | l.green.get(v) << 8 | l.blue.get(v);
          break;
        }
        default: {
          const std::size_t bit = x * l.bits;
          const auto index = static_cast<std::uint8_t>(row[bit / 8] >> (8 - l.bits - bit % 8) & mask);
          p.indices[y * w + x] = index;
          out[x] = index < p.count ? p.table[index] : 0;
        }
      }
    }
  }
  return p;
}

}  // namespace

std::uint64_t dibBlockSize(int width, int height, int bitDepth) {
  if (width < 1 || height < 1 || (bitDepth != 32 && bitDepth != 8)) return 0;
  const std::uint64_t w = static_cast<std::uint64_t>(width), h = static_cast<std::uint64_t>(height);
  return bitDepth == 32 ? rowBytes(w, 24) * h + kDibHeaderBytes : rowBytes(w, 8) * h + kDibHeaderBytes + kTableBytes;
}

Bytes buildDibBlock(const EncodeSource& s) {
  const int depth = s.indices ? 8 : 32;
  Bytes block(static_cast<std::size_t>(dibBlockSize(s.width, s.height, depth)), 0);
  if (block.empty()) return block;
  std::uint8_t* d = block.data();
  put32(d, kDibHeaderBytes);
  put32(d + 4, static_cast<std::uint32_t>(s.width));
  put32(d + 8, static_cast<std::uint32_t>(s.height));
  put16(d + 12, 1);
  put16(d + 14, depth == 32 ? 24 : 8);
  std::uint8_t* rows = d + kDibHeaderBytes;
  if (depth == 8) {
    for (std::size_t i = 0; i < 256; ++i) put32(rows + 4 * i, s.palette[i] & 0x00FFFFFFu);
    rows += kTableBytes;
  }
  const std::size_t w = static_cast<std::size_t>(s.width), h = static_cast<std::size_t>(s.height);
  const std::size_t stride = static_cast<std::size_t>(rowBytes(w, depth == 32 ? 24 : 8));
  for (std::size_t y = 0; y < h; ++y) {
    std::uint8_t* out = rows + (h - 1 - y) * stride;  // the bottom row first
    if (depth == 8) {
      std::memcpy(out, s.indices + y * static_cast<std::size_t>(s.stride), w);
      continue;
    }
    const std::uint32_t* in = s.rgb + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      out[3 * x] = static_cast<std::uint8_t>(in[x]);
      out[3 * x + 1] = static_cast<std::uint8_t>(in[x] >> 8);
      out[3 * x + 2] = static_cast<std::uint8_t>(in[x] >> 16);
    }
  }
  return block;
}

Bytes bmpFileFromDib(const Bytes& block) {
  Bytes file(kBmpFileHeaderBytes + block.size());
  const auto l = layoutOf(block.data(), block.size());
  file[0] = 'B';
  file[1] = 'M';
  put32(file.data() + 2, static_cast<std::uint32_t>(file.size()));
  put32(file.data() + 10, static_cast<std::uint32_t>(kBmpFileHeaderBytes + (l ? l->pixelOffset : kDibHeaderBytes)));
  std::memcpy(file.data() + kBmpFileHeaderBytes, block.data(), block.size());
  return file;
}

std::optional<DibPicture> readDibBlock(const std::uint8_t* data, std::size_t size) {
  const auto l = layoutOf(data, size);
  if (!l) return std::nullopt;
  return decode(data, size, *l, l->pixelOffset);
}

std::optional<DibPicture> readBmpFile(const std::uint8_t* data, std::size_t size) {
  if (size < kBmpFileHeaderBytes || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const std::uint8_t* block = data + kBmpFileHeaderBytes;
  const std::uint64_t blockSize = size - kBmpFileHeaderBytes;
  const auto l = layoutOf(block, blockSize);
  if (!l) return std::nullopt;
  // The file's own offset may leave a gap (a table of colours used by a
  // true-colour picture, say); one inside the header and table is wrong.
  const std::uint64_t fileOffset = get32(data + 10);
  const std::uint64_t offset =
      fileOffset >= kBmpFileHeaderBytes + l->pixelOffset ? fileOffset - kBmpFileHeaderBytes : l->pixelOffset;
  return decode(block, blockSize, *l, offset);
}

}  // namespace rozoru::imageio
