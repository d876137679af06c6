// Clipboard pictures as device-independent bitmap blocks: the block written
// for an image (a 40-byte header, the 256-entry colour table of an 8-bit
// image, rows bottom-up padded to 4 bytes), the BMP file that carries it
// under "image/bmp", and the reading of blocks and BMP files that other
// programs made. Plain C++, reentrant.
//
// Blocks read: 1, 4 and 8 bits with a colour table; 16 bits (5-5-5, or
// colour masks); 24 bits; 32 bits (B, G, R, unused, or colour masks); rows
// bottom-up or top-down (negative height); a header of 40 bytes or longer
// (the pixels then start after the header's own size). Anything else --
// compressed rows, other bit counts, more than 256 colours, a block shorter
// than its header says, sizes of zero or beyond kMaxPictureBytes -- is no
// picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imageio/image_file.h"

namespace rozoru::imageio {

inline constexpr std::size_t kDibHeaderBytes = 40;
inline constexpr std::size_t kBmpFileHeaderBytes = 14;

// Bytes of the block for a width x height image of 32 or 8 bits; 0 for
// other depths or sizes below 1.
std::uint64_t dibBlockSize(int width, int height, int bitDepth);

// The block for an image: source.rgb (32-bit image, written as 24 bits) or
// source.indices with source.palette (8-bit image). Throws std::bad_alloc
// when there is no memory for it.
Bytes buildDibBlock(const EncodeSource& source);

// The BMP file for a block: the 14-byte file header, then the block.
Bytes bmpFileFromDib(const Bytes& block);

// A picture read from a block. rgb holds 0x00RRGGBB for every pixel, rows
// top-down, width apart. A block with a colour table also gives its pixels'
// indices (same layout), the table (0x00RRGGBB) and the table's entry count;
// an index beyond the count shows black.
struct DibPicture {
  int width = 0, height = 0;
  int bitCount = 0;  // of the block
  std::vector<std::uint32_t> rgb;
  std::vector<std::uint8_t> indices;
  std::array<std::uint32_t, 256> table{};
  int count = 0;
};

// The picture of a bare block, or nullopt when it is none (see above).
std::optional<DibPicture> readDibBlock(const std::uint8_t* data, std::size_t size);
// The picture of a whole BMP file: its file header checked ("BM"), its
// pixel offset honoured when it lies beyond the header and table.
std::optional<DibPicture> readBmpFile(const std::uint8_t* data, std::size_t size);

}  // namespace rozoru::imageio
