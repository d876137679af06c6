// The text windows' shared state, for the files of the subsystem only: the
// window records, the current window and colour stack, and the line input's
// key ring, waiting mark and history.
//
// Thread-safe through System::mutex (records, current, stack) and
// System::historyMutex; the key ring and the waiting mark are atomic.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "textwin/textwin.h"

namespace rozoru::textwin::detail {

inline constexpr int kColourLevels = 8;
inline constexpr int kStackDepth = 8;

struct Colours {
  std::uint32_t fg = 0xFFFFFF, bg = 0;
};

struct Record {
  enum class State { Free, Opening, Open };
  State state = State::Free;
  Hwnd hwnd = 0;
  std::unique_ptr<TextSurface> surface;
  Cursor cursor;
  Colours colours;
  std::array<Colours, kColourLevels> saved{};
};

// The whole subsystem's state. `mutex` guards the table, the current index
// and the stack, and every bitmap and cursor, so that the worker and the GUI
// thread can both draw. It is never held across a window-system call that
// waits for the GUI thread (present does not wait).
struct System {
  std::mutex mutex;
  std::array<Record, kWindows> records;
  int current = 0;
  std::array<int, kStackDepth> stack{};

  KeyRing ring;
  std::atomic<int> waiting{0};         // index + 1 of the window a line input waits on
  std::atomic<Pump*> waiter{nullptr};  // the waiting line input's pump
  std::mutex historyMutex;
  std::u16string history;
};

System& sys();

inline WindowSystem* ws() { return shell().windowSystem(); }

inline void wakeWaiter() {
  if (Pump* p = sys().waiter.load()) p->wake();
}

inline bool validIndex(int index) { return static_cast<unsigned>(index) < static_cast<unsigned>(kWindows); }

// Shows a record's bitmap. Under the lock.
void presentLocked(const Record& r);

// Runs f on the record of index while it is open with handle h, then shows
// the picture. False when the window has gone.
template <class F>
bool withWindow(int index, Hwnd h, F&& f) {
  System& s = sys();
  std::lock_guard lock(s.mutex);
  Record& r = s.records[static_cast<std::size_t>(index)];
  if (r.state != Record::State::Open || r.hwnd != h) return false;
  f(r);
  presentLocked(r);
  return true;
}

// The status line's text when no line is being typed.
std::string colourDepthText();

// Line input (line_input.cpp): a character for a waiting line input (Ctrl
// chords are not text); the last line typed again (Up); the clipboard's text
// up to its first line end (Ctrl+V).
void acceptChar(char16_t u, bool ctrl);
void typeHistory();
void typeClipboard();

}  // namespace rozoru::textwin::detail
