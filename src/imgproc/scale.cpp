#include "imgproc/scale.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace rozoru {

namespace {

void copyRows(const std::uint32_t* src, int w, int h, int srcStride, std::uint32_t* dst, int dstStride) {
  for (int y = 0; y < h; ++y)
    std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * dstStride, src + static_cast<std::ptrdiff_t>(y) * srcStride,
                static_cast<std::size_t>(w) * sizeof(std::uint32_t));
}

inline std::uint32_t channel(std::uint32_t p, int shift) { return (p >> shift) & 0xFFu; }

// One axis of a shrink: for each destination cell, the first source cell it
// covers and how much of each covered cell, in 1/d of a source cell (so the
// weights of a cell add up to s).
struct Span {
  int first = 0;
  std::vector<int> weights;
};

std::vector<Span> shrinkSpans(int s, int d) {
  std::vector<Span> spans(static_cast<std::size_t>(d));
  // Work in units of 1/d source pixel: destination cell i covers [i*s, (i+1)*s).
  for (int i = 0; i < d; ++i) {
    const long long lo = static_cast<long long>(i) * s, hi = static_cast<long long>(i + 1) * s;
    Span& sp = spans[static_cast<std::size_t>(i)];
    sp.first = static_cast<int>(lo / d);
    for (long long p = lo / d; p * d < hi; ++p) {
      const long long from = std::max(lo, p * d), to = std::min(hi, (p + 1) * d);
      sp.weights.push_back(static_cast<int>(to - from));
    }
  }
  return spans;
}

void shrink(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
            int dstStride) {
  const std::vector<Span> xs = shrinkSpans(sw, dw), ys = shrinkSpans(sh, dh);
  const long long area = static_cast<long long>(sw) * sh;  // total weight per cell is sw*sh
  for (int y = 0; y < dh; ++y) {
    const Span& sy = ys[static_cast<std::size_t>(y)];
    for (int x = 0; x < dw; ++x) {
      const Span& sx = xs[static_cast<std::size_t>(x)];
      long long r = 0, g = 0, b = 0;
      for (std::size_t j = 0; j < sy.weights.size(); ++j) {
        const std::uint32_t* row = src + static_cast<std::ptrdiff_t>(sy.first + static_cast<int>(j)) * srcStride;
        for (std::size_t i = 0; i < sx.weights.size(); ++i) {
          const long long wgt = static_cast<long long>(sy.weights[j]) * sx.weights[i];
          const std::uint32_t p = row[sx.first + static_cast<int>(i)];
          r += wgt * channel(p, 16);
          g += wgt * channel(p, 8);
          b += wgt * channel(p, 0);
        }
      }
      const auto avg = [area](long long v) { return static_cast<std::uint32_t>((v + area / 2) / area); };
      dst[static_cast<std::ptrdiff_t>(y) * dstStride + x] = (avg(r) << 16) | (avg(g) << 8) | avg(b);
    }
  }
}

// Source position of a destination centre in 1/256 pixel, clamped to the image.
std::vector<int> bilinearPositions(int s, int d) {
  std::vector<int> pos(static_cast<std::size_t>(d));
  for (int i = 0; i < d; ++i) {
    long long p = ((2LL * i + 1) * s * 256) / (2LL * d) - 128;
    pos[static_cast<std::size_t>(i)] = static_cast<int>(std::clamp<long long>(p, 0, (s - 1) * 256LL));
  }
  return pos;
}

// One source row blended horizontally at the destination columns: each
// channel times 256, planar so that the vertical blend runs over plain arrays.
// A blended channel is at most 255 * 256: 16 bits, which keeps the vertical
// blend in the 16-bit multiplies every x86-64 has.
struct BlendedRow {
  std::vector<std::uint16_t> r, g, b;
  int source = -1;
};

void blendRow(const std::uint32_t* row, const std::vector<int>& x0, const std::vector<int>& x1,
              const std::vector<std::uint32_t>& fx, BlendedRow& out) {
  const std::size_t n = x0.size();
  for (std::size_t x = 0; x < n; ++x) {
    const std::uint32_t a = row[x0[x]], c = row[x1[x]];
    const std::uint32_t wa = 256 - fx[x], wc = fx[x];
    // Red and blue side by side in one word: each sum stays below 2^16.
    const std::uint32_t rb = (a & 0x00FF00FFu) * wa + (c & 0x00FF00FFu) * wc;
    const std::uint32_t g = (a & 0x0000FF00u) * wa + (c & 0x0000FF00u) * wc;
    out.r[x] = static_cast<std::uint16_t>(rb >> 16);
    out.g[x] = static_cast<std::uint16_t>(g >> 8);
    out.b[x] = static_cast<std::uint16_t>(rb);
  }
}

// The vertical blend of two blended rows into a destination row. Restricted
// pointers: the output words cannot be taken for the sums, so the loop runs
// in vector registers.
void blendColumns(const BlendedRow& top, const BlendedRow& bottom, int fy, std::uint32_t* __restrict out,
                  std::size_t n) {
  const std::uint16_t* __restrict tr = top.r.data();
  const std::uint16_t* __restrict tg = top.g.data();
  const std::uint16_t* __restrict tb = top.b.data();
  const std::uint16_t* __restrict br = bottom.r.data();
  const std::uint16_t* __restrict bg = bottom.g.data();
  const std::uint16_t* __restrict bb = bottom.b.data();
  // (t * wt + b * wb + 2^15) >> 16 in 16-bit lanes: with t = 256 th + tl,
  // hi = th wt + bh wb and lo = tl wt + bl wb both stay below 2^16 (the
  // weights add up to 256), and the result is (hi + (lo >> 8) + 128) >> 8,
  // which is below 2^16 too because the result is at most 255.
  const auto wt = static_cast<std::uint16_t>(256 - fy), wb = static_cast<std::uint16_t>(fy);
  const auto mix = [wt, wb](std::uint16_t t, std::uint16_t b) {
    const auto hi = static_cast<std::uint16_t>((t >> 8) * wt + (b >> 8) * wb);
    const auto lo = static_cast<std::uint16_t>((t & 0xFF) * wt + (b & 0xFF) * wb);
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi + (lo >> 8) + 128) >> 8);
  };
  for (std::size_t x = 0; x < n; ++x) out[x] = (mix(tr[x], br[x]) << 16) | (mix(tg[x], bg[x]) << 8) | mix(tb[x], bb[x]);
}

// Bilinear, in 1/256 pixel: each source row is blended horizontally once
// (kept while consecutive destination rows need it), then two blended rows
// vertically.
void enlarge(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
             int dstStride) {
  const std::vector<int> xs = bilinearPositions(sw, dw), ys = bilinearPositions(sh, dh);
  const auto n = static_cast<std::size_t>(dw);
  std::vector<int> x0(n), x1(n);
  std::vector<std::uint32_t> fx(n);
  for (std::size_t x = 0; x < n; ++x) {
    x0[x] = xs[x] >> 8;
    x1[x] = std::min(x0[x] + 1, sw - 1);
    fx[x] = static_cast<std::uint32_t>(xs[x] & 255);
  }
  BlendedRow rows[2];
  for (BlendedRow& r : rows) {
    r.r.resize(n);
    r.g.resize(n);
    r.b.resize(n);
  }
  const auto blended = [&](int sy, BlendedRow& spare) -> const BlendedRow& {
    for (BlendedRow& r : rows)
      if (r.source == sy) return r;
    blendRow(src + static_cast<std::ptrdiff_t>(sy) * srcStride, x0, x1, fx, spare);
    spare.source = sy;
    return spare;
  };
  for (int y = 0; y < dh; ++y) {
    const int py = ys[static_cast<std::size_t>(y)];
    const int y0 = py >> 8, y1 = std::min(y0 + 1, sh - 1), fy = py & 255;
    // The row not needed any more is the spare for the next blend.
    BlendedRow& spareTop = rows[0].source == y1 ? rows[1] : rows[0];
    const BlendedRow& top = blended(y0, spareTop);
    BlendedRow& spareBottom = &top == &rows[0] ? rows[1] : rows[0];
    const BlendedRow& bottom = blended(y1, spareBottom);
    blendColumns(top, bottom, fy, dst + static_cast<std::ptrdiff_t>(y) * dstStride, n);
  }
}

// Destination pixel (x, y) takes source pixel (x * sw / dw, y * sh / dh).
// A destination row whose source row is the previous one's is a copy of it.
template <typename T>
void nearestRows(const T* src, int sw, int sh, int srcStride, T* dst, int dw, int dh, int dstStride) {
  std::vector<int> xs(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) xs[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * sw / dw);
  long long lastRow = -1;
  for (int y = 0; y < dh; ++y) {
    const long long sy = static_cast<long long>(y) * sh / dh;
    T* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    if (sy == lastRow) {
      std::memcpy(out, out - dstStride, static_cast<std::size_t>(dw) * sizeof(T));
      continue;
    }
    lastRow = sy;
    const T* row = src + static_cast<std::ptrdiff_t>(sy) * srcStride;
    for (int x = 0; x < dw; ++x) out[x] = row[xs[static_cast<std::size_t>(x)]];
  }
}

// Half size: the rounded mean of each 2 x 2 block, red and blue side by side
// (each sum below 2^10, then shifted into place and masked).
void halve(const std::uint32_t* src, int srcStride, std::uint32_t* dst, int dw, int dh, int dstStride) {
  for (int y = 0; y < dh; ++y) {
    const std::uint32_t* __restrict a = src + static_cast<std::ptrdiff_t>(2 * y) * srcStride;
    const std::uint32_t* __restrict b = a + srcStride;
    std::uint32_t* __restrict out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < dw; ++x) {
      const std::uint32_t p0 = a[2 * x], p1 = a[2 * x + 1], p2 = b[2 * x], p3 = b[2 * x + 1];
      const std::uint32_t rb = (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu);
      const std::uint32_t g = (p0 & 0x0000FF00u) + (p1 & 0x0000FF00u) + (p2 & 0x0000FF00u) + (p3 & 0x0000FF00u);
      out[x] = (((rb + 0x00020002u) >> 2) & 0x00FF00FFu) | (((g + 0x00000200u) >> 2) & 0x0000FF00u);
    }
  }
}

// A shrink by whole numbers kx and ky: each destination pixel is the rounded
// mean of a kx x ky block (what the weighted shrink gives for such sizes).
// Red and blue add up side by side in one word: a block of at most 256
// pixels keeps each sum within its 16 bits.
void shrinkBlocks(const std::uint32_t* src, int srcStride, std::uint32_t* dst, int dw, int dh, int dstStride, int kx,
                  int ky) {
  const std::uint32_t area = static_cast<std::uint32_t>(kx * ky), half = area / 2;
  // Division by the area as a multiplication: exact for sums below 2^32 / area.
  const std::uint64_t reciprocal = ((std::uint64_t{1} << 32) + area - 1) / area;
  const auto mean = [reciprocal, half](std::uint32_t sum) {
    return static_cast<std::uint32_t>(((sum + half) * reciprocal) >> 32);
  };
  std::vector<std::uint32_t> rb(static_cast<std::size_t>(dw)), g(static_cast<std::size_t>(dw));
  for (int y = 0; y < dh; ++y) {
    std::fill(rb.begin(), rb.end(), 0u);
    std::fill(g.begin(), g.end(), 0u);
    for (int j = 0; j < ky; ++j) {
      const std::uint32_t* row = src + static_cast<std::ptrdiff_t>(y * ky + j) * srcStride;
      for (int x = 0; x < dw; ++x) {
        std::uint32_t sumRb = 0, sumG = 0;
        for (int i = 0; i < kx; ++i) {
          const std::uint32_t p = row[x * kx + i];
          sumRb += p & 0x00FF00FFu;
          sumG += p & 0x0000FF00u;
        }
        rb[static_cast<std::size_t>(x)] += sumRb;
        g[static_cast<std::size_t>(x)] += sumG >> 8;
      }
    }
    std::uint32_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < dw; ++x) {
      const std::uint32_t s = rb[static_cast<std::size_t>(x)];
      out[x] = (mean(s >> 16) << 16) | (mean(g[static_cast<std::size_t>(x)]) << 8) | mean(s & 0xFFFFu);
    }
  }
}

}  // namespace

void scaleNearest(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                  int dstStride) {
  if (sw == dw && sh == dh) return copyRows(src, sw, sh, srcStride, dst, dstStride);
  nearestRows(src, sw, sh, srcStride, dst, dw, dh, dstStride);
}

void scaleSmooth(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                 int dstStride) {
  if (sw == dw && sh == dh) return copyRows(src, sw, sh, srcStride, dst, dstStride);
  if (dw <= sw && dh <= sh) {
    if (sw == 2 * dw && sh == 2 * dh) return halve(src, srcStride, dst, dw, dh, dstStride);
    if (sw % dw == 0 && sh % dh == 0 && (sw / dw) * (sh / dh) <= 256)
      return shrinkBlocks(src, srcStride, dst, dw, dh, dstStride, sw / dw, sh / dh);
    return shrink(src, sw, sh, srcStride, dst, dw, dh, dstStride);
  }
  if (dw >= sw && dh >= sh) return enlarge(src, sw, sh, srcStride, dst, dw, dh, dstStride);
  // Shrinking one way and enlarging the other: enlarge first, then shrink.
  const int mw = std::max(sw, dw), mh = std::max(sh, dh);
  std::vector<std::uint32_t> mid(static_cast<std::size_t>(mw) * static_cast<std::size_t>(mh));
  enlarge(src, sw, sh, srcStride, mid.data(), mw, mh, mw);
  shrink(mid.data(), mw, mh, mw, dst, dw, dh, dstStride);
}

void scaleNearest8(const std::uint8_t* src, int sw, int sh, int srcStride, std::uint8_t* dst, int dw, int dh,
                   int dstStride) {
  nearestRows(src, sw, sh, srcStride, dst, dw, dh, dstStride);
}

void scaleIndexedSmooth(const std::uint8_t* src, int sw, int sh, int srcStride, const std::uint32_t* palette,
                        std::uint8_t* dst, int dw, int dh, int dstStride) {
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh));
  expandIndexed(src, sw, sh, srcStride, palette, colours.data(), sw);
  std::vector<std::uint32_t> scaled(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh));
  scaleSmooth(colours.data(), sw, sh, sw, scaled.data(), dw, dh, dw);
  // Averages repeat a lot (flat areas, the palette's own colours): each
  // distinct colour is searched once.
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  const auto find = [&](std::uint32_t c) {
    const auto [it, fresh] = nearest.try_emplace(c, std::uint8_t{0});
    if (!fresh) return it->second;
    long long best = -1;
    for (int k = 0; k < 256; ++k) {
      const std::uint32_t e = palette[k];
      const long long dr = static_cast<long long>(channel(c, 16)) - channel(e, 16);
      const long long dg = static_cast<long long>(channel(c, 8)) - channel(e, 8);
      const long long db = static_cast<long long>(channel(c, 0)) - channel(e, 0);
      const long long d = dr * dr + dg * dg + db * db;
      if (best < 0 || d < best) {
        best = d;
        it->second = static_cast<std::uint8_t>(k);
      }
    }
    return it->second;
  };
  for (int y = 0; y < dh; ++y) {
    std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    const std::uint32_t* in = scaled.data() + static_cast<std::ptrdiff_t>(y) * dw;
    for (int x = 0; x < dw; ++x) out[x] = find(in[x]);
  }
}

void expandIndexed(const std::uint8_t* src, int w, int h, int srcStrideBytes, const std::uint32_t* table,
                   std::uint32_t* dst, int dstStride) {
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = src + static_cast<std::ptrdiff_t>(y) * srcStrideBytes;
    std::uint32_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < w; ++x) out[x] = table[row[x]] & 0x00FFFFFFu;
  }
}

}  // namespace rozoru
