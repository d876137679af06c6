// A worker with the slot table on the in-memory window system, and small
// pictures of images for pixel-exact comparisons ('.' for 0, '#' for the
// drawn value, other values by a legend).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
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
  // The current image as text: each pixel's character from legend, '.' for
  // 0 and '?' for anything else.
  static Picture picture(std::map<Pixel32, char> legend = {{0xFFFFFF, '#'}}) {
    const ImageSlot& s = kav_image[KAV_CurrentImage()];
    return window(0, 0, s.width, s.height, std::move(legend));
  }
  // The w x h part at (x0, y0) of the current image, as picture() shows it.
  static Picture window(int x0, int y0, int w, int h, std::map<Pixel32, char> legend = {{0xFFFFFF, '#'}}) {
    legend.emplace(0, '.');
    const int id = KAV_CurrentImage();
    const ImageSlot& s = kav_image[id];
    Picture rows;
    for (int y = y0; y < y0 + h; ++y) {
      std::string row;
      for (int x = x0; x < x0 + w; ++x) {
        const Pixel32 v = s.bitDepth == 8 ? KAV_ImageBytes[id][y * KAV_Stride8(s.width) + x]
                                          : KAV_ImagePixels[id][y * s.width + x];
        const auto it = legend.find(v);
        row += it == legend.end() ? '?' : it->second;
      }
      rows.push_back(row);
    }
    return rows;
  }
  // How many times c appears in p.
  static long count(const Picture& p, char c = '#') {
    long n = 0;
    for (const auto& row : p) n += std::ranges::count(row, c);
    return n;
  }
  // The pen position and the text cursor.
  static Pen pen() {
    Pen p;
    KAV_GetPenPosition(&p.first, &p.second);
    return p;
  }
  static Pen cursor() {
    Pen p;
    KAV_GetTextCursor(&p.first, &p.second);
    return p;
  }
  // A current 32-bit image of the given pixels (row after row).
  static void image32(int id, int w, int h, const std::vector<Pixel32>& px) {
    ASSERT_EQ(KAV_CreateImage(id, "t", 0, 0, w, h, 100), 0);
    if (!px.empty()) std::memcpy(KAV_ImagePixels[id], px.data(), px.size() * sizeof(Pixel32));
  }
  // A current 8-bit image of the given indexes (packed rows); row padding holds 0xEE.
  static void image8(int id, int w, int h, const std::vector<std::uint8_t>& px) {
    ASSERT_EQ(KAV_CreateImage8(id, "t", 0, 0, w, h, 100), 0);
    const std::ptrdiff_t stride = KAV_Stride8(w);
    std::memset(KAV_ImageBytes[id], 0xEE, static_cast<std::size_t>(stride * h));
    for (int y = 0; y < h && !px.empty(); ++y) std::memcpy(KAV_ImageBytes[id] + y * stride, px.data() + y * w, static_cast<std::size_t>(w));
  }
  static std::vector<Pixel32> pixels(int id) {
    const ImageSlot& s = kav_image[id];
    return {KAV_ImagePixels[id], KAV_ImagePixels[id] + s.width * s.height};
  }
  // The picture's indexes, packed (padding left out).
  static std::vector<std::uint8_t> indexes(int id) {
    const ImageSlot& s = kav_image[id];
    std::vector<std::uint8_t> out;
    for (int y = 0; y < s.height; ++y)
      out.insert(out.end(), KAV_ImageBytes[id] + y * KAV_Stride8(s.width), KAV_ImageBytes[id] + y * KAV_Stride8(s.width) + s.width);
    return out;
  }
  static std::vector<int> size(int id) { return {kav_image[id].width, kav_image[id].height}; }

 protected:
  QueuePump pump_;
  FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

}  // namespace rozoru::test
