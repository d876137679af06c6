// Clipboard bitmap blocks: the bytes written for an image, the variants other
// programs write, hostile headers, and a bounded run over mutated blocks.
#include <gtest/gtest.h>

#include <random>

#include "imageio/dib_block.h"
#include "tests/fuzz/dib_check.h"

namespace rozoru::imageio {
namespace {

void put(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A header of headerSize bytes followed by extra zero bytes.
Bytes block(std::uint32_t headerSize, std::int32_t w, std::int32_t h, int bits, std::uint32_t compression = 0,
            std::uint32_t used = 0, std::size_t extra = 0) {
  Bytes b(headerSize + extra);
  put(b, 0, headerSize), put(b, 4, static_cast<std::uint32_t>(w)), put(b, 8, static_cast<std::uint32_t>(h));
  put(b, 12, 1, 2), put(b, 14, static_cast<std::uint32_t>(bits), 2), put(b, 16, compression), put(b, 32, used);
  return b;
}

Bytes fiveByTwo() {
  const std::uint32_t px[10] = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F,
                                0x111213, 0x141516, 0x171819, 0x1A1B1C, 0x1D1E1F};
  EncodeSource s;
  s.width = 5, s.height = 2, s.rgb = px;
  return buildDibBlock(s);
}

// A 5 x 2 32-bit image: 72 bytes, rows of 15 colour bytes and one zero,
// the picture's bottom row first; read back unchanged.
TEST(DibBlockTest, ThirtyTwoBitImageWritesBottomUpTwentyFourBitRows) {
  const Bytes b = fiveByTwo();
  ASSERT_EQ(b.size(), 72u);
  EXPECT_EQ(dibBlockSize(5, 2, 32), 72u);
  EXPECT_TRUE(get(b, 0) == 40 && get(b, 4) == 5 && get(b, 8) == 2 && get(b, 12) == (24u << 16 | 1));
  for (std::size_t at = 16; at < 40; at += 4) EXPECT_EQ(get(b, at), 0u) << at;
  EXPECT_EQ((Bytes(b.begin() + 40, b.begin() + 44)), (Bytes{0x13, 0x12, 0x11, 0x16}));  // (0, 1) first
  EXPECT_TRUE(b[55] == 0 && b[56] == 0x03 && b[71] == 0);  // padding; then (0, 0)
  const auto p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->width == 5 && p->height == 2 && p->count == 0 && p->indices.empty());
  EXPECT_TRUE(p->rgb[0] == 0x010203 && p->rgb[4] == 0x0D0E0F && p->rgb[9] == 0x1D1E1F);
  // As a BMP file: "BM", the file's size and where its pixels start.
  const Bytes f = bmpFileFromDib(b);
  ASSERT_EQ(f.size(), 86u);
  EXPECT_TRUE(f[0] == 'B' && f[1] == 'M' && get(f, 2) == 86 && get(f, 6) == 0 && get(f, 10) == 54);
  EXPECT_EQ(readBmpFile(f.data(), f.size())->rgb, p->rgb);
}

// An 8-bit image of width 5: the full 256-entry table, rows of 8 bytes.
TEST(DibBlockTest, EightBitImageWritesItsWholeTable) {
  std::uint32_t table[256];
  for (std::uint32_t i = 0; i < 256; ++i) table[i] = i * 0x010101u ^ 0x00FF0000u;
  const std::uint8_t rows[16] = {1, 2, 3, 4, 5, 0, 0, 0, 250, 251, 252, 253, 254};
  EncodeSource s;
  s.width = 5, s.height = 2, s.indices = rows, s.stride = 8, s.palette = table;
  const Bytes b = buildDibBlock(s);
  ASSERT_EQ(b.size(), 40u + 1024 + 16);
  EXPECT_EQ(get(b, 12), 8u << 16 | 1);
  EXPECT_TRUE(get(b, 40) == table[0] && get(b, 40 + 4 * 255) == table[255]);
  EXPECT_EQ((Bytes(b.begin() + 1064, b.end())), (Bytes{250, 251, 252, 253, 254, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0}));
  const auto p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->count == 256 && p->table[7] == table[7] && p->bitCount == 8);
  EXPECT_TRUE(p->indices[0] == 1 && p->indices[9] == 254 && p->rgb[9] == table[254]);
  EXPECT_EQ(get(bmpFileFromDib(b), 10), 14u + 1064);
}

// What other programs write: small tables (an index beyond the count is
// black), 1 and 4 bits, 16-bit 5-5-5, colour masks after a 40-byte header
// and inside a longer one, top-down rows, a BMP file whose pixels start
// after a gap.
TEST(DibBlockTest, ReadsTablesMasksLongHeadersAndTopDownRows) {
  Bytes b = block(40, 9, 2, 1, 0, 2, 8 + 8);  // two entries, rows of 4 bytes
  put(b, 44, 0xFFFFFF), b[48] = 0x80, b[49] = 0x80, b[52] = 0x01;
  auto p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->count == 2 && p->width == 9);
  EXPECT_TRUE(p->rgb[0] == 0 && p->rgb[7] == 0xFFFFFF && p->rgb[9] == 0xFFFFFF && p->rgb[17] == 0xFFFFFF);

  b = block(40, 3, 1, 4, 0, 3, 12 + 4);
  put(b, 40 + 8, 0x00FF00), b[52] = 0x2F;  // indices 2, 15 (beyond the count)
  p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->indices[0] == 2 && p->indices[1] == 15 && p->rgb[0] == 0x00FF00 && p->rgb[1] == 0);

  b = block(40, 1, 1, 16, 0, 0, 4);
  put(b, 40, 0x7C00 | 0x1F, 2);
  EXPECT_EQ(readDibBlock(b.data(), b.size())->rgb[0], 0xFF00FFu);

  // 32 bits, masks after the header: red in the low byte, 4-bit green.
  b = block(40, 1, 2, 32, 3, 0, 12 + 8);
  put(b, 40, 0xFF), put(b, 44, 0xF000), put(b, 48, 0xFF0000);
  put(b, 52, 0x11F0AB), put(b, 56, 0x00800C);  // bottom row first
  p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p.has_value());
  EXPECT_TRUE(p->rgb[1] == 0xABFF11 && p->rgb[0] == 0x0C8800);

  // A 124-byte header holds its masks; rows top-down.
  b = block(124, 1, -2, 16, 3, 0, 8);
  put(b, 40, 0xF800), put(b, 44, 0x07E0), put(b, 48, 0x001F);
  put(b, 124, 0xF800, 2), put(b, 128, 0x001F, 2);
  p = readDibBlock(b.data(), b.size());
  ASSERT_TRUE(p && p->height == 2);
  EXPECT_TRUE(p->rgb[0] == 0xFF0000 && p->rgb[1] == 0x0000FF);

  // A BMP file's pixels after a gap (here a 2-entry table of a 24-bit picture).
  Bytes f = block(40, 1, 1, 24, 0, 2, 8 + 4);
  f.insert(f.begin(), 14, 0);
  f[0] = 'B', f[1] = 'M', put(f, 10, 14 + 48), put(f, 14 + 48, 0x123456);
  EXPECT_EQ(readBmpFile(f.data(), f.size())->rgb[0], 0x123456u);
  f[0] = 'X';
  EXPECT_FALSE(readBmpFile(f.data(), f.size()));
}

// Headers that lie: each is no picture.
TEST(DibBlockTest, HostileHeadersAreNoPicture) {
  const auto none = [](const Bytes& b) { return !readDibBlock(b.data(), b.size()); };
  EXPECT_TRUE(none(block(40, 1, 1, 8, 0, 257, 257 * 4 + 4)));  // more colours than a table holds
  EXPECT_TRUE(none(block(40, 1, 1, 8, 0, 0, 1024)));           // table fits, the row does not
  EXPECT_TRUE(none(block(40, 4, 1, 24, 0, 0, 11)));            // one byte short
  EXPECT_FALSE(none(block(40, 4, 1, 24, 0, 0, 12)));
  EXPECT_TRUE(none(block(39, 1, 1, 24, 0, 0, 4)));
  Bytes b = block(40, 1, 1, 24, 0, 0, 4);
  put(b, 0, 45);  // a header longer than the block
  EXPECT_TRUE(none(b));
  EXPECT_TRUE(none(block(40, 0, 1, 24, 0, 0, 4)) && none(block(40, 1, 0, 24, 0, 0, 4)));
  EXPECT_TRUE(none(block(40, -1, 1, 24, 0, 0, 4)));
  EXPECT_TRUE(none(block(40, 0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 64)));
  EXPECT_TRUE(none(block(40, 1, INT32_MIN, 32, 0, 0, 64)));
  EXPECT_TRUE(none(block(40, 65536, 65536, 1, 0, 0, 64)));  // beyond the pixel limit
  EXPECT_TRUE(none(block(40, 1, 1, 2, 0, 0, 64)) && none(block(40, 1, 1, 64, 0, 0, 64)));
  EXPECT_TRUE(none(block(40, 1, 1, 8, 1, 0, 1100)));   // compressed rows
  EXPECT_TRUE(none(block(40, 1, 1, 32, 3, 0, 8)));     // masks cut off
  EXPECT_TRUE(none(block(44, 1, 1, 32, 3, 0, 16)));    // masks neither after nor inside
  b = block(40, 1, 1, 32, 3, 0, 16);
  put(b, 40, 0x0F0F);  // a mask with a hole
  EXPECT_TRUE(none(b));
  b = block(40, 1, 1, 24, 0, 0, 4);
  put(b, 12, 2, 2);  // two planes
  EXPECT_TRUE(none(b) && none(Bytes(39, 0)) && !readBmpFile(b.data(), 13));
}

// Mutated blocks of every kind read above, a fixed number of them: each is
// no picture or a consistent one (the libFuzzer target runs the same check
// without bound).
TEST(DibBlockTest, MutatedBlocksKeepThePicturePromises) {
  std::vector<Bytes> seeds = {fiveByTwo(), block(40, 9, 2, 1, 0, 2, 16), block(124, 1, -2, 16, 3, 0, 8),
                              block(40, 3, 3, 32, 3, 0, 12 + 36), bmpFileFromDib(fiveByTwo())};
  std::mt19937 random(17);
  for (int i = 0; i < 100000; ++i) {
    Bytes b = seeds[random() % seeds.size()];
    for (auto n = random() % 6 + 1; n > 0; --n) {
      const std::size_t at = random() % 60 % b.size();
      b[at] = random() % 4 == 0 ? static_cast<std::uint8_t>(b[at] ^ (1u << random() % 8))
                                : static_cast<std::uint8_t>(random());
    }
    if (random() % 8 == 0) b.resize(random() % b.size());
    checkDibReader(b.data(), b.size());
  }
}

}  // namespace
}  // namespace rozoru::imageio
