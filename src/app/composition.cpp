#include "app/composition.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

// The loops run once per frame on 76800 pixels, so each is written for the
// compiler's vectoriser: a fixed trip count, no branches on pixel data, the
// mode and swap chosen outside the loop, and pictures that do not overlap
// (the rare overlapping call takes the plain per-pixel loop instead).

namespace stereo {

namespace {
inline std::uint32_t R(Pixel p) { return (p >> 16) & 255u; }
inline std::uint32_t G(Pixel p) { return (p >> 8) & 255u; }
inline std::uint32_t B(Pixel p) { return p & 255u; }

bool overlap(const Pixel* a, const Pixel* b) {
  const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  const std::uintptr_t bytes = kPixels * sizeof(Pixel);
  return x < y + bytes && y < x + bytes;
}

// --- gamma ---------------------------------------------------------------

// Table lookups cannot be vectorised, so the number of loads is what costs:
// green and blue go through one 64 Ki-entry table, red through a second one
// with the entry already shifted into place, two pixels per 64-bit load and
// store. (One lookup per channel measured clearly slower.) The pair table
// costs more to fill than a picture costs to map, so each thread keeps its
// own and refills it only when the table changes, which between frames it
// rarely does.
struct PairTable {
  GammaTable source{};
  bool built = false;
  std::array<std::uint16_t, 65536> gb{};
  std::array<std::uint32_t, 256> r{};
};

void fillPairs(std::uint16_t* __restrict gb, const std::uint16_t* __restrict low) {
  for (int g = 0; g < 256; ++g) {
    std::uint16_t* row = gb + g * 256;
    const auto high = static_cast<std::uint16_t>(low[g] << 8);
    for (int b = 0; b < 256; ++b) row[b] = high | low[b];
  }
}

// Only for tables whose entries are bytes.
const PairTable& pairTable(const GammaTable& t) {
  thread_local std::unique_ptr<PairTable> cache;
  if (!cache) cache = std::make_unique<PairTable>();
  PairTable& c = *cache;
  if (!c.built || c.source != t) {
    std::array<std::uint16_t, 256> low{};
    for (std::size_t i = 0; i < 256; ++i) {
      low[i] = static_cast<std::uint16_t>(t[i]);
      c.r[i] = static_cast<std::uint32_t>(t[i]) << 16;
    }
    fillPairs(c.gb.data(), low.data());
    c.source = t;
    c.built = true;
  }
  return c;
}

void gammaBytes(Pixel* p, const PairTable& c) {
  for (int i = 0; i < kPixels; i += 2) {
    std::uint64_t two;
    std::memcpy(&two, p + i, sizeof two);
    const auto a = static_cast<Pixel>(two), b = static_cast<Pixel>(two >> 32);
    two = static_cast<std::uint64_t>(c.r[R(b)] | c.gb[b & 0xFFFFu]) << 32 | (c.r[R(a)] | c.gb[a & 0xFFFFu]);
    std::memcpy(p + i, &two, sizeof two);
  }
}

// Entries outside 0..255 spill into the neighbouring channel (and the fourth
// byte); unsigned arithmetic gives that wrap-around without overflow.
void gammaAnyTable(Pixel* p, const GammaTable& t) {
  for (int i = 0; i < kPixels; ++i) {
    const Pixel v = p[i];
    p[i] = (static_cast<std::uint32_t>(t[R(v)]) << 16) + (static_cast<std::uint32_t>(t[G(v)]) << 8) +
           static_cast<std::uint32_t>(t[B(v)]);
  }
}

// --- blend ---------------------------------------------------------------

// Per byte, floor((a + b) / 2) = (a & b) + ((a ^ b) >> 1); masking the low bit
// of each byte before the shift keeps the channels apart.
inline Pixel mean(Pixel a, Pixel b) { return ((a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1)) & 0x00FFFFFFu; }

void blendApart(Pixel* __restrict p0, const Pixel* __restrict p1) {
  for (int i = 0; i < kPixels; ++i) p0[i] = mean(p0[i], p1[i]);
}

// --- anaglyph ------------------------------------------------------------

// The luma exactly as the double expression truncates it (the truncation
// depends on the order of evaluation). Through int32 so the conversions
// vectorise: the loop then does two pixels per double vector.
inline std::uint32_t luma(Pixel s) {
  const auto d = [](std::uint32_t c) { return static_cast<double>(static_cast<std::int32_t>(c)); };
  return static_cast<std::uint32_t>(static_cast<std::int32_t>((d(G(s)) * 0.587 + d(R(s)) * 0.299) + d(B(s)) * 0.114));
}

template <int Mode>
inline std::uint32_t value(Pixel s) {
  // Signed: SSE2 compares signed 32-bit lanes natively.
  if constexpr (Mode == 2) {
    const auto r = static_cast<std::int32_t>(R(s)), g = static_cast<std::int32_t>(G(s)), b = static_cast<std::int32_t>(B(s));
    return static_cast<std::uint32_t>(std::max(r, std::max(g, b)));
  }
  if constexpr (Mode == 3) return luma(s);
  return R(s);
}

// Swap 1: red from p0, green and blue from p1; p1 keeps its green and blue.
template <int Mode>
void anaglyphRedFromP0(Pixel* __restrict p0, Pixel* __restrict p1) {
  for (int i = 0; i < kPixels; ++i) {
    const Pixel n = p1[i] & 0xFFFFu;
    p0[i] = value<Mode>(p0[i]) << 16 | n;
    p1[i] = n;
  }
}

// Swap 0: red from p1, green and blue from p0; p1 keeps only the red.
template <int Mode>
void anaglyphRedFromP1(Pixel* __restrict p0, Pixel* __restrict p1) {
  for (int i = 0; i < kPixels; ++i) {
    const Pixel r = value<Mode>(p1[i]) << 16;
    p0[i] = r | (p0[i] & 0xFFFFu);
    p1[i] = r;
  }
}

template <int Mode>
void anaglyphMode(Pixel* p0, Pixel* p1, int swap) {
  if (swap)
    anaglyphRedFromP0<Mode>(p0, p1);
  else
    anaglyphRedFromP1<Mode>(p0, p1);
}

// The per-pixel loop, for pictures that overlap: each pixel's writes must
// happen in this order for the result to stay the same.
void anaglyphOverlapping(Pixel* p0, Pixel* p1, int mode, int swap) {
  Pixel* red = swap ? p0 : p1;
  Pixel* other = swap ? p1 : p0;
  for (int i = 0; i < kPixels; ++i) {
    const Pixel s = red[i], n = other[i];
    const std::uint32_t v = mode == 2 ? value<2>(s) : mode == 3 ? value<3>(s) : value<1>(s);
    red[i] = v << 16;
    other[i] = G(n) << 8 | B(n);
    p0[i] = (R(p0[i]) | R(p1[i])) << 16 | (G(p0[i]) | G(p1[i])) << 8 | ((p0[i] | p1[i]) & 255u);
  }
}

// --- preview -------------------------------------------------------------

// Two pixels read as one 64-bit word: the vectoriser handles that as a
// plain contiguous load, where every other 32-bit pixel would need a
// scalar tail. Little-endian: the even pixel is the low half.
inline Pixel evenOf(const Pixel* two) {
  std::uint64_t w;
  std::memcpy(&w, two, sizeof w);
  if constexpr (std::endian::native == std::endian::little)
    return static_cast<Pixel>(w);
  else
    return static_cast<Pixel>(w >> 32);
}

void previewApart(const Pixel* __restrict p0, const Pixel* __restrict p1, Pixel* __restrict p2) {
  for (int y = 0; y < kHeight; ++y) {
    const Pixel* r0 = p0 + y * kWidth;
    const Pixel* r1 = p1 + y * kWidth;
    Pixel* out = p2 + y * kWidth;
    for (int x = 0; x < kWidth / 2; ++x) out[x] = evenOf(r0 + 2 * x);
    for (int x = 0; x < kWidth / 2; ++x) out[kWidth / 2 + x] = evenOf(r1 + 2 * x);
  }
}

}  // namespace

GammaTable gammaTable(double k) {
  GammaTable t{};
  for (int i = 0; i < 256; ++i) {
    const double s = std::sqrt(i / 255.0);
    const double d = (s * 255.0 - i) * k;
    t[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(i + d);
  }
  return t;
}

void applyGamma(Pixel* p0, Pixel* p1, const GammaTable& t) {
  const bool bytes = std::all_of(t.begin(), t.end(), [](std::int32_t v) { return v >= 0 && v <= 255; });
  // One picture after the other: the same picture passed twice goes through
  // the table twice.
  for (Pixel* p : {p0, p1}) {
    if (bytes)
      gammaBytes(p, pairTable(t));
    else
      gammaAnyTable(p, t);
  }
}

void blend(Pixel* p0, const Pixel* p1) {
  if (!overlap(p0, p1)) return blendApart(p0, p1);
  for (int i = 0; i < kPixels; ++i) p0[i] = mean(p0[i], p1[i]);
}

void anaglyph(Pixel* p0, Pixel* p1, int mode, int swap) {
  if (overlap(p0, p1)) return anaglyphOverlapping(p0, p1, mode, swap);
  if (mode == 2)
    anaglyphMode<2>(p0, p1, swap);
  else if (mode == 3)
    anaglyphMode<3>(p0, p1, swap);
  else
    anaglyphMode<1>(p0, p1, swap);
}

void preview(const Pixel* p0, const Pixel* p1, Pixel* p2) {
  if (!overlap(p0, p2) && !overlap(p1, p2)) return previewApart(p0, p1, p2);
  for (int y = 0; y < kHeight; ++y) {
    const Pixel* r0 = p0 + y * kWidth;
    const Pixel* r1 = p1 + y * kWidth;
    Pixel* out = p2 + y * kWidth;
    for (int x = 0; x < kWidth / 2; ++x) {
      out[x] = r0[2 * x];
      out[kWidth / 2 + x] = r1[2 * x];
    }
  }
}

}  // namespace stereo
