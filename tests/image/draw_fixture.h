// A worker with the slot table on the in-memory window system, and small
// pictures of images for pixel-exact comparisons ('.' for 0, '#' for the
// drawn value, other values by a legend).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
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

  // The current image as text: each pixel's character from legend, '.' for
  // 0 and '?' for anything else.
  static Picture picture(std::map<Pixel32, char> legend = {{0xFFFFFF, '#'}}) {
    legend.emplace(0, '.');
    const int id = KAV_CurrentImage();
    const ImageSlot& s = kav_image[id];
    Picture rows;
    for (int y = 0; y < s.height; ++y) {
      std::string row;
      for (int x = 0; x < s.width; ++x) {
        const Pixel32 v = s.bitDepth == 8 ? KAV_ImageBytes[id][y * KAV_Stride8(s.width) + x]
                                          : KAV_ImagePixels[id][y * s.width + x];
        const auto it = legend.find(v);
        row += it == legend.end() ? '?' : it->second;
      }
      rows.push_back(row);
    }
    return rows;
  }
  // Sets the current image from a picture drawn with legend's characters.
  static void paint(const Picture& rows, const std::map<char, Pixel32>& legend) {
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
      for (int x = 0; x < static_cast<int>(rows[static_cast<std::size_t>(y)].size()); ++x)
        KAV_SetPixel(x, y, legend.at(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]));
  }

  QueuePump pump_;
  FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

}  // namespace rozoru::test
