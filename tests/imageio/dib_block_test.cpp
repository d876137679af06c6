// Clipboard bitmap blocks: the bytes written for an image, the variants other
// programs write, and hostile headers that hold no picture. Random blocks are
// the fuzz target's (tests/fuzz).
#include <gtest/gtest.h>

#include "imageio/dib_block.h"

namespace rozoru::imageio {
namespace {

void put(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
// A header of headerSize bytes, then extra zero bytes.
Bytes block(std::uint32_t headerSize, std::int32_t w, std::int32_t h, int bits, std::uint32_t compression = 0,
            std::uint32_t used = 0, std::size_t extra = 0) {
  Bytes b(headerSize + extra);
  put(b, 0, headerSize), put(b, 4, static_cast<std::uint32_t>(w)), put(b, 8, static_cast<std::uint32_t>(h));
  put(b, 12, 1, 2), put(b, 14, static_cast<std::uint32_t>(bits), 2), put(b, 16, compression), put(b, 32, used);
  return b;
}

// A 5 x 2 32-bit image: 72 bytes, rows of 15 colour bytes and a zero, the
// bottom row first. An 8-bit image of width 5: the whole table, rows of 8.
TEST(DibBlockTest, WritesTheBlockAndReadsItBack) {
  std::uint32_t px[10], table[256];
  for (std::uint32_t i = 0; i < 10; ++i) px[i] = 0x010203 * (i + 1);
  for (std::uint32_t i = 0; i < 256; ++i) table[i] = i * 0x010101u ^ 0xFF0000u;
  EncodeSource s;
  s.width = 5, s.height = 2, s.rgb = px;
  const Bytes b = buildDibBlock(s);
  ASSERT_EQ(b.size(), 72u);
  EXPECT_TRUE(get(b, 0) == 40 && get(b, 4) == 5 && get(b, 8) == 2 && get(b, 12) == (24u << 16 | 1) && get(b, 32) == 0);
  EXPECT_TRUE(b[40] == 0x12 && b[42] == 0x06 && b[55] == 0 && b[56] == 0x03);  // (0, 1), padding, (0, 0)

  const std::uint8_t rows[16] = {1, 2, 3, 4, 5, 0, 0, 0, 250, 251, 252, 253, 254};
  s.rgb = nullptr, s.indices = rows, s.stride = 8, s.palette = table;
  const Bytes e = buildDibBlock(s);
  ASSERT_EQ(e.size(), 40u + 1024 + 16);
  EXPECT_TRUE(get(e, 12) == (8u << 16 | 1) && get(e, 40 + 4 * 255) == table[255]);
  EXPECT_TRUE(e[1064] == 250 && e[1068] == 254 && e[1069] == 0 && e[1072] == 1);
  const auto p = readDibBlock(e.data(), e.size());
  ASSERT_TRUE(p && p->count == 256 && p->indices[9] == 254 && p->rgb[9] == table[254]);
}

// Small tables (an index beyond the count is black), masks after a 40-byte
// header and inside a longer one, top-down rows, and a BMP file whose pixels
// start after a gap.
TEST(DibBlockTest, ReadsTablesMasksLongHeadersAndTopDownRows) {
  Bytes b = block(40, 3, 1, 4, 0, 3, 12 + 4);
  put(b, 48, 0x00FF00), b[52] = 0x2F;  // indices 2, 15
  auto p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->indices[0] == 2 && p->indices[1] == 15 && p->rgb[0] == 0x00FF00 && p->rgb[1] == 0);
  b = block(40, 1, 2, 32, 3, 0, 12 + 8);  // red in the low byte, 4-bit green
  put(b, 40, 0xFF), put(b, 44, 0xF000), put(b, 48, 0xFF0000), put(b, 52, 0x11F0AB), put(b, 56, 0x00800C);
  p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->rgb[1] == 0xABFF11 && p->rgb[0] == 0x0C8800);
  b = block(124, 1, -2, 16, 3, 0, 8);
  put(b, 40, 0xF800), put(b, 44, 0x07E0), put(b, 48, 0x001F), put(b, 124, 0xF800, 2), put(b, 128, 0x001F, 2);
  p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->rgb[0] == 0xFF0000 && p->rgb[1] == 0x0000FF);
  Bytes f = block(40, 1, 1, 24, 0, 2, 8 + 4);
  f.insert(f.begin(), 14, 0);
  f[0] = 'B', f[1] = 'M', put(f, 10, 14 + 48), put(f, 14 + 48, 0x123456);
  EXPECT_EQ(readBmpFile(f.data(), f.size())->rgb[0], 0x123456u);
}

// Headers that lie, each against a rule of its own (short data, zero sizes
// and reads outside the block are the fuzz target's): no picture.
TEST(DibBlockTest, HostileHeadersAreNoPicture) {
  Bytes twoPlanes = block(40, 1, 1, 24, 0, 0, 4), holedMask = block(40, 1, 1, 32, 3, 0, 16);
  put(twoPlanes, 12, 2, 2), put(holedMask, 40, 0x0F0F);
  for (const Bytes& b : {block(40, 1, 1, 8, 0, 257, 257 * 4 + 4), block(39, 1, 1, 24, 0, 0, 4),
                         block(40, 0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 64), block(40, 1, INT32_MIN, 32, 0, 0, 64),
                         block(40, 1, 1, 2, 0, 0, 64), block(40, 1, 1, 64, 0, 0, 64), block(40, 1, 1, 8, 1, 0, 1100),
                         block(44, 1, 1, 32, 3, 0, 16), twoPlanes, holedMask})
    EXPECT_FALSE(readDibBlock(b.data(), b.size())) << b.size();
}

}  // namespace
}  // namespace rozoru::imageio
