// A worker with the slot table on the in-memory window system, and small
// pictures of images for pixel-exact comparisons ('.' for 0, '#' for the
// drawn value, other values by a legend).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "boxes/buttons.h"
#include "image/slots.h"
#include "imgproc/draw_state.h"
#include "rozoru/kav.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/fake_window_system.h"

namespace rozoru::test {

using Picture = std::vector<std::string>;
using Pen = std::pair<int, int>;

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetShell();
    setCurrentPump(&pump_);
    shell().attach(&ws_, &pump_);
    main_ = shell().createMainWindowHandle();
    installImageSlots();
    resetDrawState();
  }
  void TearDown() override {
    releaseAllImages();
    windowTable().remove(main_);
    resetShell();
    setCurrentPump(nullptr);
  }


 public:
  // Pixel (x, y) of slot id: an index in 8-bit images (rows padded).
  static Pixel32 at(int id, int x, int y) {
    const ImageSlot& s = kav_image[id];
    return s.bitDepth == 8 ? KAV_ImageBytes[id][y * KAV_Stride8(s.width) + x] : KAV_ImagePixels[id][y * s.width + x];
  }
  // The current image as text: each pixel's character from legend, '.' for
  // 0 and '?' for anything else.
  static Picture picture(std::map<Pixel32, char> legend = {{0xFFFFFF, '#'}}) {
    return window(0, 0, kav_image[KAV_CurrentImage()].width, kav_image[KAV_CurrentImage()].height, std::move(legend));
  }
  // The w x h part at (x0, y0) of the current image, as picture() shows it.
  static Picture window(int x0, int y0, int w, int h, std::map<Pixel32, char> legend = {{0xFFFFFF, '#'}}) {
    legend.emplace(0, '.');
    Picture rows(static_cast<std::size_t>(h));
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) {
        const auto it = legend.find(at(KAV_CurrentImage(), x, y));
        rows[static_cast<std::size_t>(y - y0)] += it == legend.end() ? '?' : it->second;
      }
    return rows;
  }
  // How many times c appears in p.
  static long count(const Picture& p, char c = '#') {
    return std::accumulate(p.begin(), p.end(), 0L, [c](long n, const std::string& row) { return n + std::ranges::count(row, c); });
  }
  // The pen position and the text cursor.
  static Pen pen() { return get(KAV_GetPenPosition); }
  static Pen cursor() { return get(KAV_GetTextCursor); }
  static Pen get(void (*read)(int*, int*)) {
    Pen p;
    read(&p.first, &p.second);
    return p;
  }
  // A current image in slot id of the given pixels (or indexes), row after
  // row; the padding of 8-bit rows holds 0xEE.
  static void image(int id, int w, int h, const std::vector<Pixel32>& px = {}, bool eight = false) {
    KAV_DestroyImage(id);  // whatever the slot held
    ASSERT_EQ((eight ? KAV_CreateImage8 : KAV_CreateImage)(id, "t", 0, 0, w, h, 100), 0);
    if (eight) std::memset(KAV_ImageBytes[id], 0xEE, static_cast<std::size_t>(KAV_Stride8(w) * h));
    const int n = eight ? w * h : static_cast<int>(px.size());  // 8-bit pixels past px are 0
    for (int i = 0; i < n; ++i) KAV_SetPixel(i % w, i / w, i < static_cast<int>(px.size()) ? px[static_cast<std::size_t>(i)] : 0);
  }
  // The pixels (or indexes, padding left out) of slot id, row after row.
  static std::vector<Pixel32> pixels(int id) {
    std::vector<Pixel32> out;
    for (int y = 0; y < kav_image[id].height; ++y)
      for (int x = 0; x < kav_image[id].width; ++x) out.push_back(at(id, x, y));
    return out;
  }
  // Width, height and pixels of slot id.
  using Dump = std::tuple<int, int, std::vector<Pixel32>>;
  static Dump dump(int id) { return {kav_image[id].width, kav_image[id].height, pixels(id)}; }

 protected:
  QueuePump pump_;
  FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

}  // namespace rozoru::test
