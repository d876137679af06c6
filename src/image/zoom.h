// Zoom fitting, zoom steps and image window captions. Reentrant.
#pragma once

#include <string>

namespace rozoru {

struct ZoomScreen {
  int screenWidth;     // SW: the whole screen's width
  int usableHeight;    // SH: the screen's height less a caption
  int minClientWidth;  // MW: the smallest client area of a captioned window
  int minClientHeight; // MH
};

struct ZoomFit {
  bool ok = false;
  int zoom = 0;
  int displayWidth = 0, displayHeight = 0;
};

// Settles the zoom for a w x h image (both at least 1) and a requested zoom:
// never more than fits the screen; enlarged to the smallest window when the
// picture would be smaller; fails when even that does not fit.
ZoomFit fitZoom(int w, int h, int requested, const ZoomScreen& s);

inline int zoomStepIn(int zoom) { return (10 * zoom + 4) / 9; }
inline int zoomStepOut(int zoom) { return (9 * zoom + 5) / 10; }

// "%s(%d%%)", "[8bit]" for 8-bit images, "*" when smoothing; at most 255
// bytes, a long title cut at a character boundary.
std::string imageCaption(const std::string& title, int zoom, int bitDepth, int stretchMode);

// Image coordinates of a client position (read as unsigned 16-bit values).
inline int clientToImage(int client, int zoom) { return static_cast<int>(static_cast<unsigned>(client & 0xFFFF) * 100u / static_cast<unsigned>(zoom)); }

}  // namespace rozoru
