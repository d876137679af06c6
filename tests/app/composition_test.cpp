// The stereo pair's picture maths, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/composition.h"

namespace stereo {
namespace {

// Entries are truncated, not rounded: 254 stays 254 and (1, 4, 16) becomes (15, 31, 63).
TEST(Gamma, TableTruncates) {
  const GammaTable t = gammaTable(1.0), weak = gammaTable(0.1);
  EXPECT_EQ((std::vector<int>{t[0], t[1], t[4], t[16], t[254], t[255]}), (std::vector<int>{0, 15, 31, 63, 254, 255}));
  EXPECT_EQ((std::vector<int>{weak[1], weak[4], weak[192]}), (std::vector<int>{2, 6, 194}));
}

// The steps as plain per-pixel loops: what the vectorised ones must match bit
// for bit, whatever the fourth byte holds.
namespace ref {
std::uint32_t R(Pixel p) { return (p >> 16) & 255u; }
std::uint32_t G(Pixel p) { return (p >> 8) & 255u; }
std::uint32_t B(Pixel p) { return p & 255u; }

void applyGamma(Pixel* p0, Pixel* p1, const GammaTable& t) {
  for (Pixel* p : {p0, p1})
    for (int i = 0; i < kPixels; ++i) p[i] = static_cast<Pixel>(t[R(p[i])] * 65536 + t[G(p[i])] * 256 + t[B(p[i])]);
}

void blend(Pixel* p0, const Pixel* p1) {
  for (int i = 0; i < kPixels; ++i)
    p0[i] = ((R(p0[i]) + R(p1[i])) / 2) << 16 | ((G(p0[i]) + G(p1[i])) / 2) << 8 | (B(p0[i]) + B(p1[i])) / 2;
}

std::uint32_t luma(Pixel s) { return static_cast<std::uint32_t>((G(s) * 0.587 + R(s) * 0.299) + B(s) * 0.114); }

void anaglyph(Pixel* p0, Pixel* p1, int mode, int swap) {
  Pixel* red = swap ? p0 : p1;
  Pixel* other = swap ? p1 : p0;
  for (int i = 0; i < kPixels; ++i) {
    const Pixel s = red[i], n = other[i];
    std::uint32_t v = R(s);
    if (mode == 2) v = std::max({R(s), G(s), B(s)});
    if (mode == 3) v = luma(s);
    red[i] = v << 16;
    other[i] = G(n) << 8 | B(n);
    p0[i] = (R(p0[i]) | R(p1[i])) << 16 | (G(p0[i]) | G(p1[i])) << 8 | ((p0[i] | p1[i]) & 255u);
  }
}

void preview(const Pixel* p0, const Pixel* p1, Pixel* p2) {
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth / 2; ++x) {
      p2[y * kWidth + x] = p0[y * kWidth + 2 * x];
      p2[y * kWidth + kWidth / 2 + x] = p1[y * kWidth + 2 * x];
    }
}
}  // namespace ref

// Random colours and a random fourth byte, plus a stretch where each channel
// runs through all 256 values (in different orders, so the channels differ).
std::vector<Pixel> randomPicture(std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Pixel> p(kPixels);
  for (Pixel& v : p) v = static_cast<Pixel>(rng());
  for (std::uint32_t i = 0; i < 256 * 16; ++i)
    p[seed % 4096 + i] = (rng() & 0xFF000000u) | (i & 255u) << 16 | ((i * 7 + seed) & 255u) << 8 | ((i * 13 + i / 256) & 255u);
  return p;
}

struct RandomPair {
  explicit RandomPair(std::uint32_t seed) : p0(randomPicture(seed)), p1(randomPicture(seed + 1000)), p2(randomPicture(seed + 2000)) {}
  std::vector<Pixel> p0, p1, p2;
};

// Runs a step and its plain loop on the same random pictures.
template <class Step, class Plain>
void expectAsPlain(std::uint32_t seed, Step step, Plain plain, const std::string& what) {
  RandomPair a(seed), b(seed);
  step(a);
  plain(b);
  for (std::size_t i = 0; i < kPixels; ++i)
    ASSERT_EQ(std::tie(a.p0[i], a.p1[i], a.p2[i]), std::tie(b.p0[i], b.p1[i], b.p2[i])) << what << " at pixel " << i;
}
#define EXPECT_AS_PLAIN(seed, call, what) \
  expectAsPlain(seed, [&](RandomPair& q) { call; }, [&](RandomPair& q) { ref::call; }, what)

TEST(AgainstPlainLoops, Gamma) {
  // 3.0 has entries above 255 and -1.0 below 0: those carry into the
  // neighbouring channel and the fourth byte, as the plain loop does.
  for (double k : {0.0, 0.1, 0.5, 1.0, 3.0, -1.0})
    EXPECT_AS_PLAIN(1, applyGamma(q.p0.data(), q.p1.data(), gammaTable(k)), "gamma " + std::to_string(k));
  // Alternating tables: a kept lookup table must follow each change.
  for (double k : {0.5, 0.2, 0.5, 0.2}) EXPECT_AS_PLAIN(2, applyGamma(q.p0.data(), q.p1.data(), gammaTable(k)), "changed table");
  EXPECT_AS_PLAIN(3, applyGamma(q.p0.data(), q.p0.data(), gammaTable(0.7)), "the same picture twice");
}

// Each thread keeps its own lookup table for its own gamma curve.
TEST(AgainstPlainLoops, GammaOnTwoThreadsWithDifferentTables) {
  const auto work = [](double k, std::uint32_t seed) {
    for (int round = 0; round < 20; ++round) EXPECT_AS_PLAIN(seed, applyGamma(q.p0.data(), q.p1.data(), gammaTable(k)), "threads");
  };
  std::thread t0(work, 0.25, 10u), t1(work, 0.9, 11u);
  t0.join();
  t1.join();
}

TEST(AgainstPlainLoops, BlendAnaglyphAndPreview) {
  for (std::uint32_t seed : {4u, 5u}) {
    EXPECT_AS_PLAIN(seed, blend(q.p0.data(), q.p1.data()), "blend");
    for (int mode : {0, 1, 2, 3, 4})
      for (int swap : {0, 1, 2})
        EXPECT_AS_PLAIN(seed, anaglyph(q.p0.data(), q.p1.data(), mode, swap),
                 "anaglyph " + std::to_string(mode) + " " + std::to_string(swap));
    EXPECT_AS_PLAIN(seed, preview(q.p0.data(), q.p1.data(), q.p2.data()), "preview");
  }
}

TEST(AgainstPlainLoops, OverlappingPictures) {
  EXPECT_AS_PLAIN(6, blend(q.p0.data(), q.p0.data()), "blend of a picture with itself");
  for (int mode : {1, 2, 3})
    for (int swap : {0, 1}) {
      EXPECT_AS_PLAIN(7, anaglyph(q.p0.data(), q.p0.data(), mode, swap), "anaglyph of a picture with itself");
      // Half a picture apart: the pictures share memory without being one.
      std::vector<Pixel> e = randomPicture(8), f = e;
      e.resize(kPixels + kPixels / 2);
      f.resize(e.size());
      anaglyph(e.data(), e.data() + kPixels / 2, mode, swap);
      ref::anaglyph(f.data(), f.data() + kPixels / 2, mode, swap);
      EXPECT_EQ(e, f) << "mode " << mode << " swap " << swap;
    }
  EXPECT_AS_PLAIN(9, preview(q.p0.data(), q.p1.data(), q.p0.data()), "preview into its own source");
}

TEST(AgainstPlainLoops, LumaForEveryColour) {
  // 2^24 colours in 219 pictures; the red picture's fourth byte is garbage.
  std::vector<Pixel> p0(kPixels), p1(kPixels);
  std::uint32_t wrong = 0;
  for (std::uint32_t base = 0; base < (1u << 24); base += kPixels) {
    for (std::uint32_t i = 0; i < kPixels; ++i) {
      p0[i] = ((base + i) & 0xFFFFFFu) | (i * 2654435761u & 0xFF000000u);
      p1[i] = 0xA5000000u | i;
    }
    anaglyph(p0.data(), p1.data(), 3, 1);
    for (std::uint32_t i = 0; i < kPixels; ++i) {
      const Pixel s = (base + i) & 0xFFFFFFu;
      wrong += (p0[i] >> 16) != ref::luma(s) || (p0[i] & 0xFFFFu) != (i & 0xFFFFu) || p1[i] != (i & 0xFFFFu);
    }
  }
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
}  // namespace stereo
