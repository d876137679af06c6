// Line input: the characters typed, recalled and pasted into a text window
// while KAV_ReadLine waits, in the order they came, and KAV_ReadLine itself.
#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "textwin/text_system.h"

namespace rozoru::textwin {

namespace detail {

void acceptChar(char16_t u, bool ctrl) {
  System& s = sys();
  if (s.waiting.load() == 0 || ctrl) return;
  if (s.ring.push(u)) wakeWaiter();
}

// Up types the last line again, Ctrl+V the clipboard's text up to its first
// line end. Both go into the ring at once, so they stay in order with the
// keys typed before and after them.
void typeHistory() {
  System& s = sys();
  std::u16string units;
  {
    std::lock_guard lock(s.historyMutex);
    units = s.history;
  }
  for (char16_t c : units) acceptChar(c, false);
}

void typeClipboard() {
  const std::u16string clip = hooks().clipboardText ? hooks().clipboardText() : std::u16string();
  for (char16_t c : clip) {
    if (c == 0 || c == u'\n' || c == u'\r') break;
    if (sys().waiting.load() == 0 || !sys().ring.push(c)) break;
  }
  wakeWaiter();
}

}  // namespace detail

using namespace detail;

int waitingMark() { return sys().waiting.load(); }

std::u16string inputHistory() {
  System& s = sys();
  std::lock_guard lock(s.historyMutex);
  return s.history;
}

void cancelLineInput() {
  sys().waiting = 0;
  wakeWaiter();
}

}  // namespace rozoru::textwin

using namespace rozoru;
using namespace rozoru::textwin;
using namespace rozoru::textwin::detail;

namespace {

using namespace std::chrono_literals;

constexpr auto kBlink = 200ms;
constexpr std::size_t kLineBytes = 256;  // the caller's buffer, terminator included

}  // namespace

int KAV_ReadLine(char* buffer) {
  System& s = sys();
  int index = 0;
  Hwnd h = 0;
  {
    std::lock_guard lock(s.mutex);
    const Record& r = s.records[static_cast<std::size_t>(s.current)];
    if (r.state != Record::State::Open) return 1;
    index = s.current;
    h = r.hwnd;
  }
  if (WindowSystem* w = ws()) w->setForeground(h);
  buffer[0] = 0;
  KAV_SetStatusText("Input text");

  // A thread without windows still blocks rather than spins.
  thread_local QueuePump idle;
  Pump* pump = currentPump() ? currentPump() : &idle;
  s.waiter = pump;
  s.waiting = index + 1;

  LineEditor editor;
  bool caretOn = true;
  bool redraw = true;
  auto t0 = Clock::now();
  bool finished = false;
  for (;;) {
    pump->dispatchPending();
    char16_t u = s.ring.take();
    if (u == u'\t') u = u' ';
    if (u == u'\r') {
      finished = true;
      break;
    }
    if (s.waiting.load() == 0) break;  // cancelled

    if (u != 0 || redraw) withWindow(index, h, [&](Record& r) {
      TextSurface& surf = *r.surface;
      if (u == u'\b') {
        // The caret is drawn again at once over the removed unit.
        if (editor.backspace(surf, r.cursor, r.colours.fg, r.colours.bg)) redraw = true;
      } else if (u != 0 && editor.type(u, surf, r.cursor, r.colours.fg, r.colours.bg)) {
        redraw = true;
      }
      if (redraw) {
        LineEditor::drawCaret(caretOn, surf, r.cursor, r.colours.fg, r.colours.bg);
        redraw = false;
      }
    });

    const auto now = Clock::now();
    if (now - t0 > kBlink) {
      caretOn = !caretOn;
      redraw = true;
      t0 = now;
      continue;
    }
    // Nothing to do until a character, a key request, a cancellation or the
    // next blink: block on the thread's queue.
    if (s.ring.empty() && s.waiting.load() != 0)
      pump->waitActivity(t0 + kBlink + 1ms);
  }
  s.waiting = 0;
  s.waiter = nullptr;

  int result = 1;
  if (finished) {
    const std::u16string typed = editor.units();
    withWindow(index, h, [&](Record& r) { LineEditor::finish(*r.surface, r.cursor, r.colours.fg, r.colours.bg); });
    {
      std::lock_guard lock(s.historyMutex);
      s.history = typed;
    }
    const std::string line = utf16ToUtf8(typed);
    const std::size_t n = utf8Prefix(line, kLineBytes - 1);
    line.copy(buffer, n);
    buffer[n] = 0;
    if (hooks().log) hooks().log(index, std::string(line, 0, n) + "\n");
    result = 0;
  }
  KAV_SetStatusText(colourDepthText().c_str());
  return result;
}
