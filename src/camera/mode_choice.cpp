#include "camera/mode_choice.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <tuple>

#include "ryk/ryk.h"

namespace ryk {
namespace {

using i64 = std::int64_t;

// a < b for rates, without rounding.
bool slower(Fraction a, Fraction b) { return i64{a.num} * b.den < i64{b.num} * a.den; }

double value(Fraction f) { return f.den ? double(f.num) / f.den : 0.0; }

std::string rateText(Fraction f) {
  char s[32];
  std::snprintf(s, sizeof s, "%g fps", value(f));
  return s;
}

std::string mbitText(double mbit) {
  char s[32];
  std::snprintf(s, sizeof s, "%.1f Mbit/s", mbit);
  return s;
}

// The slowest offered rate at least `want`, else the fastest offered.
Fraction rateFor(const OfferedMode& m, Fraction want) {
  if (m.rates.empty()) {
    if (slower(m.maxRate, want)) return m.maxRate;
    return slower(want, m.minRate) ? m.minRate : want;
  }
  Fraction best{0, 1};
  bool reached = false;
  for (Fraction r : m.rates) {
    if (r.den <= 0 || r.num <= 0) continue;
    const bool reaches = !slower(r, want);
    if (reaches && (!reached || slower(r, best))) best = r;
    if (!reaches && !reached && slower(best, r)) best = r;
    reached = reached || reaches;
  }
  return best;
}

bool is43(int w, int h, Fraction par, int across) {
  return i64{w} * par.num * 3 == i64{h} * par.den * 4 * across;
}

int alignUp(int v, int lo, int step) {
  if (v <= lo || step <= 1) return std::max(v, lo);
  return lo + (v - lo + step - 1) / step * step;
}

// The smallest size of the mode at least 320x240, 4:3 when the ranges allow one;
// the largest when the mode stays below 320x240.
void sizeFor(const OfferedMode& m, int across, int& w, int& h) {
  const Fraction par = m.pixelAspect;
  for (int x = alignUp(RYK_WIDTH * across, m.minWidth, m.widthStep); x <= m.maxWidth; x += std::max(1, m.widthStep)) {
    const i64 num = i64{x} * par.num * 3, den = i64{par.den} * 4 * across;
    if (num % den) continue;
    const i64 y = num / den;
    if (y > m.maxHeight) break;
    if (y < RYK_HEIGHT || y < m.minHeight || (y - m.minHeight) % std::max(1, m.heightStep)) continue;
    w = x;
    h = int(y);
    return;
  }
  w = std::min(alignUp(RYK_WIDTH * across, m.minWidth, m.widthStep), m.maxWidth);
  h = std::min(alignUp(RYK_HEIGHT, m.minHeight, m.heightStep), m.maxHeight);
}

struct Candidate {
  const OfferedMode* mode;
  int index;
  int width, height;
  Fraction rate;
  bool reaches, overBudget, bigEnough, fourThree;
  double mbit;  // raw only; MJPEG is taken as fitting any budget

  bool good() const { return reaches && !overBudget; }
  // Lower is better. Below 320x240 the larger size counts before the shape.
  auto key() const {
    const i64 area = i64{width} * height;
    return std::make_tuple(!good(), overBudget, good() ? 0.0 : -value(rate), !bigEnough,
                           bigEnough ? i64{0} : -area, !fourThree, area, mode->encoding == Encoding::Mjpeg, mbit, index);
  }
};

std::string formatName(const OfferedMode& m) { return m.encoding == Encoding::Mjpeg ? "MJPEG" : m.format; }

// Why raw lost to the chosen MJPEG mode at its size.
std::string whyNotRaw(const std::vector<Candidate>& all, const Candidate& c, Fraction want, double budget) {
  const Candidate* raw = nullptr;
  for (const Candidate& o : all)
    if (o.mode->encoding == Encoding::Raw && o.width == c.width && o.height == c.height &&
        (!raw || o.key() < raw->key()))
      raw = &o;
  if (!raw) return "MJPEG: no raw mode of this size";
  if (!raw->reaches) return "MJPEG: raw at this size reaches only " + rateText(raw->rate);
  return "MJPEG: raw at this size would need " + mbitText(raw->mbit) + " at " + rateText(want) + ", over the " +
         mbitText(budget) + " budget";
}

}  // namespace

int rawBitsPerPixel(const std::string& f) {
  if (f == "GRAY8") return 8;
  if (f == "NV12" || f == "NV21" || f == "I420" || f == "YV12") return 12;
  if (f == "YUY2" || f == "YUYV" || f == "UYVY" || f == "YVYU" || f == "GRAY16_LE" || f == "GRAY16_BE" ||
      f == "RGB16" || f == "NV16")
    return 16;
  if (f == "RGB" || f == "BGR") return 24;
  if (f == "RGBx" || f == "BGRx" || f == "xRGB" || f == "xBGR" || f == "RGBA" || f == "BGRA" || f == "ARGB" ||
      f == "ABGR")
    return 32;
  return 0;
}

ChosenMode chooseMode(const std::vector<OfferedMode>& offered, Fraction want, double budget, int across) {
  across = std::max(1, across);
  std::vector<Candidate> all;
  for (std::size_t i = 0; i < offered.size(); ++i) {
    const OfferedMode& m = offered[i];
    const int bits = m.encoding == Encoding::Mjpeg ? 0 : rawBitsPerPixel(m.format);
    if ((m.encoding == Encoding::Raw && bits == 0) || m.maxWidth <= 0 || m.maxHeight <= 0 || m.pixelAspect.num <= 0 ||
        m.pixelAspect.den <= 0)
      continue;
    Candidate c{&m, int(i), 0, 0, rateFor(m, want), false, false, false, false, 0.0};
    if (c.rate.num <= 0 || c.rate.den <= 0) continue;
    sizeFor(m, across, c.width, c.height);
    c.reaches = !slower(c.rate, want);
    c.mbit = double(c.width) * c.height * bits * value(c.rate) / 1e6;
    c.overBudget = c.mbit > budget;
    c.bigEnough = c.width >= RYK_WIDTH * across && c.height >= RYK_HEIGHT;
    c.fourThree = is43(c.width, c.height, m.pixelAspect, across);
    all.push_back(c);
  }
  ChosenMode out;
  if (all.empty()) {
    out.reason = "no raw or MJPEG mode the chain can take";
    return out;
  }
  const Candidate& c = *std::min_element(all.begin(), all.end(), [](auto& a, auto& b) { return a.key() < b.key(); });
  out.found = true;
  out.encoding = c.mode->encoding;
  out.format = formatName(*c.mode);
  out.width = c.width;
  out.height = c.height;
  out.pixelAspect = c.mode->pixelAspect;
  out.rate = c.rate;
  // The crop is of each picture (each half of a side-by-side frame).
  const int picture = c.width / across;
  out.crop = {0, 0, picture, c.height};
  const i64 wide = i64{picture} * out.pixelAspect.num * 3, tall = i64{c.height} * out.pixelAspect.den * 4;
  if (wide > tall) {  // keep the centred 4:3 part, an even number of columns
    out.crop.width = int(i64{c.height} * out.pixelAspect.den * 4 / (i64{out.pixelAspect.num} * 3)) & ~1;
    out.crop.x = (picture - out.crop.width) / 2;
  } else if (wide < tall) {
    out.crop.height = int(i64{picture} * out.pixelAspect.num * 3 / (i64{out.pixelAspect.den} * 4)) & ~1;
    out.crop.y = (c.height - out.crop.height) / 2;
  }
  out.centreCrop = wide != tall;

  std::string r = c.reaches ? "reaches " + rateText(want)
                            : "nothing reaches " + rateText(want) + (c.overBudget ? " within budget" : "") +
                                  "; the fastest is " + rateText(c.rate);
  const std::string least = across > 1 ? "640x240 (two 4:3 halves)" : "320x240";
  if (!c.bigEnough)
    r += "; nothing as large as " + least + ", the largest";
  else if (c.fourThree)
    r += "; smallest 4:3 size at least " + least;
  else
    r += "; no 4:3 size, smallest at least " + least + ", centre " + std::to_string(out.crop.width) + "x" +
         std::to_string(out.crop.height);
  if (out.encoding == Encoding::Mjpeg)
    r += "; " + whyNotRaw(all, c, want, budget);
  else
    r += "; raw at " + mbitText(c.mbit) + (c.overBudget ? ", over the " : " within the ") + mbitText(budget) +
         " budget";
  out.reason = r;
  return out;
}

ChosenMode lighterMode(const std::vector<OfferedMode>& offered, const ChosenMode& current, Fraction want,
                       double budget, int across) {
  ChosenMode none;
  none.reason = "nothing lighter than " + describe(current);
  if (!current.found) return none;
  const bool mjpeg = std::any_of(offered.begin(), offered.end(), [](auto& m) { return m.encoding == Encoding::Mjpeg; });
  const Encoding enc = mjpeg ? Encoding::Mjpeg : Encoding::Raw;
  std::vector<OfferedMode> same;
  for (const OfferedMode& m : offered)
    if (m.encoding == enc) same.push_back(m);
  if (current.encoding == Encoding::Raw && mjpeg) {
    ChosenMode m = chooseMode(same, want, budget, across);
    if (m.found) {
      m.reason = "lighter: MJPEG instead of raw; " + m.reason;
      return m;
    }
  }
  // A lower rate at the same size: the highest listed below the current
  // one, or half of it in a range. (Another size at a lower rate may carry
  // more pixels a second, so it is not taken for lighter.)
  auto fits = [](int v, int lo, int hi, int step) { return v >= lo && v <= hi && (v - lo) % std::max(1, step) == 0; };
  std::erase_if(same, [&](const OfferedMode& m) {
    return !fits(current.width, m.minWidth, m.maxWidth, m.widthStep) ||
           !fits(current.height, m.minHeight, m.maxHeight, m.heightStep) ||
           m.pixelAspect.num != current.pixelAspect.num || m.pixelAspect.den != current.pixelAspect.den;
  });
  for (OfferedMode& m : same) {
    m.minWidth = m.maxWidth = current.width;
    m.minHeight = m.maxHeight = current.height;
  }
  const Fraction cur = current.rate;
  Fraction below{0, 1};
  for (const OfferedMode& m : same) {
    for (Fraction r : m.rates)
      if (r.num > 0 && r.den > 0 && slower(r, cur) && slower(below, r)) below = r;
    if (m.rates.empty() && slower(m.minRate, cur)) {
      Fraction half{cur.num, cur.den * 2};
      if (slower(half, m.minRate)) half = m.minRate;
      if (half.num > 0 && slower(below, half)) below = half;
    }
  }
  if (below.num <= 0) return none;
  for (OfferedMode& m : same) {
    std::erase_if(m.rates, [&](Fraction r) { return slower(below, r); });
    if (m.rates.empty() && slower(below, m.maxRate)) m.maxRate = below;
  }
  std::erase_if(same, [&](const OfferedMode& m) {
    return m.rates.empty() && (slower(below, m.minRate) || m.maxRate.num <= 0);
  });
  ChosenMode m = chooseMode(same, below, budget, across);
  if (!m.found || !slower(m.rate, cur)) return none;
  m.reason = "lighter: a lower rate; " + m.reason;
  return m;
}

bool isSideBySide(const std::vector<OfferedMode>& offered) {
  // The widest fixed size (the tallest of that width), in square pixels.
  i64 bestW = 0, bestH = 0;
  for (const OfferedMode& m : offered) {
    if (m.minWidth != m.maxWidth || m.minHeight != m.maxHeight || m.maxHeight <= 0 || m.pixelAspect.den <= 0) continue;
    const i64 w = i64{m.maxWidth} * m.pixelAspect.num, h = i64{m.maxHeight} * m.pixelAspect.den;
    if (w > bestW || (w == bestW && h > bestH)) {
      bestW = w;
      bestH = h;
    }
  }
  return bestW > 0 && bestW * 3 == bestH * 8;
}

std::string describe(const ChosenMode& m) {
  if (!m.found) return "no mode";
  std::string s = m.format + " " + std::to_string(m.width) + "x" + std::to_string(m.height) + " at " + rateText(m.rate);
  if (m.centreCrop) s += ", centre " + std::to_string(m.crop.width) + "x" + std::to_string(m.crop.height);
  return s;
}

}  // namespace ryk
