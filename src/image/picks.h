// The pick state that the image window procedure writes and the pick loops
// read, and the plain geometry of the figures. Worker thread, except that
// the pick mode is read by the windows of the GUI thread too.
#pragma once

#include <atomic>

#include "shell/core/message.h"

namespace rozoru::picks {

struct State {
  std::atomic<int> mode{0};  // 1 while a pick runs
  int slot = -1;             // image whose window feeds the pick
  int clicked = 0, clickX = 0, clickY = 0;
  int cancelled = 0;
  int moved = 0, mouseX = 0, mouseY = 0;
};
State& state();
// True while a pick runs (any thread).
inline bool active() { return state().mode.load() != 0; }

// Feeds the pick from a mouse message on image window id; false when the
// message is not the pick's (no pick, or another window).
bool route(int id, int zoom, const Message& m);

// The box of KAV_PickPlacement centred on (mx, my), and whether its
// diagonals are drawn.
struct Placement {
  int left, top, right, bottom;
  bool diagonals;
};
Placement placement(int mx, int my, int w, int h);

// The circle's radius through (qx, qy) around (px, py), rounded half up.
int radius(int px, int py, int qx, int qy);

// Holds back the menus and keys of text windows and the main window while a
// pick runs.
void install();

// Back to the state before any pick (tests).
void reset();

}  // namespace rozoru::picks
