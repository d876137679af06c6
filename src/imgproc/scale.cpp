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

void enlarge(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
             int dstStride) {
  const std::vector<int> xs = bilinearPositions(sw, dw), ys = bilinearPositions(sh, dh);
  for (int y = 0; y < dh; ++y) {
    const int py = ys[static_cast<std::size_t>(y)];
    const int y0 = py >> 8, y1 = std::min(y0 + 1, sh - 1), fy = py & 255;
    const std::uint32_t* r0 = src + static_cast<std::ptrdiff_t>(y0) * srcStride;
    const std::uint32_t* r1 = src + static_cast<std::ptrdiff_t>(y1) * srcStride;
    for (int x = 0; x < dw; ++x) {
      const int px = xs[static_cast<std::size_t>(x)];
      const int x0 = px >> 8, x1 = std::min(x0 + 1, sw - 1), fx = px & 255;
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const int top = static_cast<int>(channel(r0[x0], shift)) * (256 - fx) + static_cast<int>(channel(r0[x1], shift)) * fx;
        const int bottom = static_cast<int>(channel(r1[x0], shift)) * (256 - fx) + static_cast<int>(channel(r1[x1], shift)) * fx;
        const int v = (top * (256 - fy) + bottom * fy + (1 << 15)) >> 16;
        out |= static_cast<std::uint32_t>(v) << shift;
      }
      dst[static_cast<std::ptrdiff_t>(y) * dstStride + x] = out;
    }
  }
}

}  // namespace

void scaleNearest(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                  int dstStride) {
  if (sw == dw && sh == dh) return copyRows(src, sw, sh, srcStride, dst, dstStride);
  std::vector<int> xs(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) xs[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * sw / dw);
  for (int y = 0; y < dh; ++y) {
    const std::uint32_t* row = src + static_cast<std::ptrdiff_t>(static_cast<long long>(y) * sh / dh) * srcStride;
    std::uint32_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < dw; ++x) out[x] = row[xs[static_cast<std::size_t>(x)]];
  }
}

void scaleSmooth(const std::uint32_t* src, int sw, int sh, int srcStride, std::uint32_t* dst, int dw, int dh,
                 int dstStride) {
  if (sw == dw && sh == dh) return copyRows(src, sw, sh, srcStride, dst, dstStride);
  if (dw <= sw && dh <= sh) return shrink(src, sw, sh, srcStride, dst, dw, dh, dstStride);
  if (dw >= sw && dh >= sh) return enlarge(src, sw, sh, srcStride, dst, dw, dh, dstStride);
  // Shrinking one way and enlarging the other: enlarge first, then shrink.
  const int mw = std::max(sw, dw), mh = std::max(sh, dh);
  std::vector<std::uint32_t> mid(static_cast<std::size_t>(mw) * static_cast<std::size_t>(mh));
  enlarge(src, sw, sh, srcStride, mid.data(), mw, mh, mw);
  shrink(mid.data(), mw, mh, mw, dst, dw, dh, dstStride);
}

void scaleNearest8(const std::uint8_t* src, int sw, int sh, int srcStride, std::uint8_t* dst, int dw, int dh,
                   int dstStride) {
  std::vector<int> xs(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) xs[static_cast<std::size_t>(x)] = static_cast<int>(static_cast<long long>(x) * sw / dw);
  for (int y = 0; y < dh; ++y) {
    const std::uint8_t* row = src + static_cast<std::ptrdiff_t>(static_cast<long long>(y) * sh / dh) * srcStride;
    std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < dw; ++x) out[x] = row[xs[static_cast<std::size_t>(x)]];
  }
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
