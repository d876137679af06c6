// A worker with the slot table on the in-memory window system, and small
// pictures of images for pixel-exact comparisons ('.' for 0, '#' for the
// drawn value, other values by a legend).
#pragma once

#include <gtest/gtest.h>

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
  // The pen position.
  static std::pair<int, int> pen() {
    std::pair<int, int> p;
    KAV_GetPenPosition(&p.first, &p.second);
    return p;
  }

 protected:
  QueuePump pump_;
  FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

}  // namespace rozoru::test
