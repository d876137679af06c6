// The seven picks and their shared loop: the worker dispatches its messages,
// the image window procedure sets the flags, the loop tests them in a fixed
// order and blocks on the worker's queue until the next message or wake.
#include "image/picks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>

#include "image/slots.h"
#include "image/zoom.h"
#include "rozoru/kav.h"
#include "rozoru/picks.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "textwin/textwin.h"

namespace rozoru::picks {

State& state() {
  static State s;
  return s;
}

void install() {
  textwin::hooks().pickMode = [] { return active(); };
  shell().mainWindowUnit().pickRunning = [] { return active(); };
}

void reset() {
  State& s = state();
  s.mode = 0;
  s.slot = -1;
  s.clicked = s.clickX = s.clickY = s.cancelled = s.moved = s.mouseX = s.mouseY = 0;
}

bool route(int id, int zoom, const Message& m) {
  State& s = state();
  if (s.mode.load() == 0) return false;
  if (id != s.slot) return true;  // other image windows' buttons do nothing meanwhile
  const int x = clientToImage(unpackX(m.lparam), zoom), y = clientToImage(unpackY(m.lparam), zoom);
  switch (m.type) {
    case Msg::MouseMove:
      s.mouseX = x, s.mouseY = y, s.moved = 1;
      break;
    case Msg::LButtonDown:
      s.clickX = x, s.clickY = y, s.clicked = 1;
      break;
    case Msg::RButtonDown:
    case Msg::MButtonDown:
      s.cancelled = 1;
      break;
    default:
      break;
  }
  return true;
}

Placement placement(int mx, int my, int w, int h) {
  const int left = mx - w / 2, top = my - h / 2;
  return {left, top, left + w - 1, top + h - 1, w >= 9 && h >= 9};
}

int radius(int px, int py, int qx, int qy) {
  const double dx = static_cast<double>(qx) - px, dy = static_cast<double>(qy) - py;
  return static_cast<int>(std::sqrt(dx * dx + dy * dy) + 0.5);
}

namespace {

enum class Shape { None, Row, Column, Placement, Box, Line, Circle };

// One figure drawn with XOR into the picked image: drawing it twice removes it.
struct Figure {
  Shape shape = Shape::None;
  int slot = 0;
  int a = 0, b = 0, c = 0, d = 0;  // a point, or two; the circle's radius in c
  int w = 0, h = 0;                // the placement's box
  bool shown = false;
  bool dirty = false;

  void xorDraw() {
    if (KAV_CurrentImage() != slot) KAV_SelectImage(slot);
    const ImageSlot& s = kav_image[slot];
    switch (shape) {
      case Shape::None:
        return;
      case Shape::Row:
        KAV_XorLine(0, b, s.width - 1, b);
        break;
      case Shape::Column:
        KAV_XorLine(a, 0, a, s.height - 1);
        break;
      case Shape::Placement: {
        const Placement p = placement(a, b, w, h);
        KAV_XorBox(p.left, p.top, p.right, p.bottom);
        if (p.diagonals) {
          KAV_XorLine(p.left + 1, p.top + 1, p.right - 1, p.bottom - 1);
          KAV_XorLine(p.right - 1, p.top + 1, p.left + 1, p.bottom - 1);
        }
        break;
      }
      case Shape::Box:
        KAV_XorBox(a, b, c, d);
        break;
      case Shape::Line:
        KAV_XorLine(a, b, c, d);
        break;
      case Shape::Circle:
        KAV_XorCircle(a, b, c);
        break;
    }
    dirty = true;
  }
  // One repaint for all the changes of a pass.
  void flush() {
    if (dirty) invalidateImage(slot);
    dirty = false;
  }
  void show() {
    if (shown || shape == Shape::None) return;
    xorDraw();
    shown = true;
  }
  void remove() {
    if (!shown) return;
    xorDraw();
    shown = false;
  }
  // Ends the pick with result, the figure removed from the image.
  int end(int result) {
    remove();
    flush();
    KAV_EndPick();
    return result;
  }
  // Ends it when the window went: nothing is drawn into a slot whose window
  // is no longer the picked one.
  int endGone(bool windowAlive) {
    if (!windowAlive) shown = dirty = false;
    return end(1);
  }
};

// What every pick shares: the start, the end and one pass's dispatch and wait.
class Session {
 public:
  // 0 when the pick may start, 2 when it is refused.
  int begin(int id, const char* prompt) {
    if (id < 0 || id > 255 || !kav_image[id].inUse || active()) return 2;
    KAV_SetStatusText(prompt);
    if (WindowSystem* w = shell().windowSystem(); w && shell().mainWindow())
      w->setAcceptDrops(shell().mainWindow(), false);
    KAV_SelectImage(id);
    slot_ = id;
    window_ = kav_image[id].window;
    State& s = state();
    s.slot = id;
    // A click or cancel left over from an earlier pick must not end this one.
    s.clicked = 0;
    s.cancelled = 0;
    // A Stop meant for a running KAV_Main must reach it.
    if (kav_running.load() == 0) kav_stop = 0;
    s.mode = 1;
    return 0;
  }

  // Dispatches what is pending; false when the picked window went away (or
  // something dispatched ended the pick with KAV_EndPick).
  bool dispatch() const {
    if (Pump* p = currentPump()) p->dispatchPending();
    return active() && windowAlive();
  }
  bool windowAlive() const { return kav_image[slot_].inUse && kav_image[slot_].window == window_; }

  // Blocks until a message or a wake arrives; the deadline only bounds a missed wake.
  static void wait() {
    if (Pump* p = currentPump()) p->waitActivity(Clock::now() + std::chrono::milliseconds(500));
  }

  static bool stopped() { return kav_stop.load() != 0; }

 private:
  int slot_ = 0;
  std::uint32_t window_ = 0;
};

void zero(std::initializer_list<int*> outs) {
  for (int* o : outs)
    if (o) *o = 0;
}
void put(int* out, int v) {
  if (out) *out = v;
}

int onePoint(int id, Shape shape, int w, int h, int* x, int* y) {
  Session session;
  if (const int r = session.begin(id, "Click a point"); r != 0) return r;
  zero({x, y});
  State& s = state();
  Figure fig{shape, id, s.mouseX, s.mouseY, 0, 0, w, h};
  fig.show();
  bool taken = false;
  for (;;) {
    if (!session.dispatch()) return fig.endGone(session.windowAlive());
    if (taken || Session::stopped()) return fig.end(0);
    if (s.moved) {
      s.moved = 0;
      if (fig.shown) {
        fig.remove();
        fig.a = s.mouseX, fig.b = s.mouseY;
        fig.show();
      }
    }
    if (s.clicked) {
      s.clicked = 0;
      fig.remove();
      put(x, s.clickX), put(y, s.clickY);
      taken = true;
      continue;  // the next pass ends the pick
    }
    if (s.cancelled) {
      s.cancelled = 0;
      return fig.end(1);
    }
    fig.flush();
    Session::wait();
  }
}

int twoPoints(int id, Shape shape, int* x1, int* y1, int* x2, int* y2) {
  Session session;
  if (const int r = session.begin(id, "Click the first point"); r != 0) return r;
  zero({x1, y1, x2, y2});
  State& s = state();
  enum { First, Second, Done } stage = First;
  Figure fig{shape, id, 0, 0, 0, 0, 0, 0};
  // The outputs follow the figure, so a Stop returns them as they stand.
  auto publish = [&] {
    put(x1, fig.a), put(y1, fig.b);
    if (shape == Shape::Circle) {
      put(x2, fig.c);
    } else {
      put(x2, fig.c), put(y2, fig.d);
    }
  };
  auto moveSecond = [&](int qx, int qy) {
    if (shape == Shape::Circle) {
      fig.c = radius(fig.a, fig.b, qx, qy);
    } else {
      fig.c = qx, fig.d = qy;
    }
  };
  for (;;) {
    if (!session.dispatch()) return fig.endGone(session.windowAlive());
    if (stage == Done || Session::stopped()) return fig.end(0);
    if (s.clicked && stage == First) {
      s.clicked = 0;
      fig.a = fig.c = s.clickX, fig.b = fig.d = s.clickY;
      if (shape == Shape::Circle) fig.c = 0;
      publish();
      fig.show();
      KAV_SetStatusText("Click the second point");
      stage = Second;
    }
    if (s.clicked && stage == Second) {
      s.clicked = 0;
      fig.remove();
      moveSecond(s.clickX, s.clickY);
      publish();
      if (shape == Shape::Box) {
        if (x1 && x2 && *x1 > *x2) std::swap(*x1, *x2);
        if (y1 && y2 && *y1 > *y2) std::swap(*y1, *y2);
      }
      stage = Done;
      continue;
    }
    if (s.cancelled) {
      s.cancelled = 0;
      if (stage == First) return fig.end(1);
      fig.remove();
      KAV_SetStatusText("Click the first point");
      stage = First;
    }
    if (s.moved && stage == Second) {
      s.moved = 0;
      fig.remove();
      moveSecond(s.mouseX, s.mouseY);
      publish();
      fig.show();
    }
    fig.flush();
    Session::wait();
  }
}

}  // namespace
}  // namespace rozoru::picks

using namespace rozoru;
using picks::Shape;

void KAV_EndPick() {
  const int depth = shell().windowSystem() ? shell().windowSystem()->metrics().colorDepth : 0;
  KAV_SetStatusText((std::to_string(depth) + "-bit color").c_str());
  picks::State& s = picks::state();
  s.mode = 0;
  s.slot = -1;
  // The main window takes dropped files only while no application main runs.
  if (WindowSystem* w = shell().windowSystem(); w && shell().mainWindow() && kav_running.load() == 0)
    w->setAcceptDrops(shell().mainWindow(), true);
}

int KAV_PickPoint(int id, int* x, int* y) { return picks::onePoint(id, Shape::None, 0, 0, x, y); }
int KAV_PickRow(int id, int* x, int* y) { return picks::onePoint(id, Shape::Row, 0, 0, x, y); }
int KAV_PickColumn(int id, int* x, int* y) { return picks::onePoint(id, Shape::Column, 0, 0, x, y); }
int KAV_PickPlacement(int id, int w, int h, int* x, int* y) {
  return picks::onePoint(id, Shape::Placement, w, h, x, y);
}
int KAV_PickRect(int id, int* x1, int* y1, int* x2, int* y2) {
  return picks::twoPoints(id, Shape::Box, x1, y1, x2, y2);
}
int KAV_PickLine(int id, int* x1, int* y1, int* x2, int* y2) {
  return picks::twoPoints(id, Shape::Line, x1, y1, x2, y2);
}
int KAV_PickCircle(int id, int* cx, int* cy, int* r) {
  return picks::twoPoints(id, Shape::Circle, cx, cy, r, nullptr);
}
