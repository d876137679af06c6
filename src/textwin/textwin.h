// The text-window subsystem inside the framework: the table of 256 text
// windows, their window procedure, line input state, and the seams that
// other parts of the framework fill in (logs, console, window information).
//
// Thread-safe. Hooks are installed before the worker starts and read-only
// afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/core/message.h"
#include "textwin/text_layout.h"

namespace rozoru::textwin {

inline constexpr int kWindows = 256;
inline constexpr int kDefaultWidth = 400;
inline constexpr int kDefaultHeight = 300;

// Commands of a text window (menu items and Ctrl keys).
namespace tcmd {
inline constexpr int Destroy = 1006;
inline constexpr int About = 1020;
inline constexpr int StartLog = 1024;
inline constexpr int StopLog = 1025;
inline constexpr int Console = 1029;
inline constexpr int CopyLog = 1030;
inline constexpr int WindowInfo = 1045;
inline constexpr int Select = 1069;
}  // namespace tcmd

struct Hooks {
  // Makes a text window's bitmap; the default draws blocks for glyphs with
  // an 8 x 16 cell.
  std::function<std::unique_ptr<TextSurface>(int width, int height)> makeSurface;
  // The clipboard's text, empty when it holds none.
  std::function<std::u16string()> clipboardText;
  // Puts UTF-8 text on the clipboard; false when there is none to put it on.
  std::function<bool(const std::string& utf8)> setClipboardText;
  // The console: reads and carries out one command in the current window.
  std::function<int()> console;
  // Commands of other parts (about, logs, window information), run with the
  // index of the text window that received them.
  std::function<void(int index, int command)> command;
  // Log state of a window for the menu's check marks: 0 none, 1 logging, 2 stopped.
  std::function<int(int index)> logState;
  // Writes bytes to the window's log when it is logging.
  std::function<void(int index, std::string_view bytes)> log;
  // A window has closed (its log goes with it).
  std::function<void(int index)> closed;
  // True while an interactive pick owns the mouse (no menu then).
  std::function<bool()> pickMode;
  int instance = 0;  // the program's instance number, for the menu
};
Hooks& hooks();

// Installs request 9005, the snap source and the line-input cancellation
// into the current shell.
void install();
// Closes every text window without touching the window system's state
// beyond them, and empties the line-input state. For tests and shutdown.
void reset();

// Brings the current text window to the front, or opens text window 0 in the
// middle of the screen when the current one is not open.
void ensureTextWindow();
// GUI thread: brings text window index to the front when it is open, else
// asks the worker to open it (request 9005) and waits.
void requestTextWindow(int index);
// Cancels a waiting line input: it returns an empty line.
void cancelLineInput();
// Prints UTF-8 text into the current text window (KAV_Printf after
// formatting): logs it, draws it, presents once, then dispatches the calling
// thread's messages, except on the GUI thread, which never dispatches from
// inside a print. Returns false when no text window is current.
bool printText(std::string_view utf8);

int currentIndex();
bool isOpen(int index);
Hwnd handleOf(int index);  // 0 when not open
// 0, or the index + 1 of the window a line input waits on.
int waitingMark();
// The text window's procedure (for tests that drive it directly).
std::int64_t windowProc(int index, const Message& m);

// The right-button menu of text window index as it would be shown now.
struct MenuLine {
  std::string text;
  int id = 0;
  bool separator = false;
  bool checked = false;
};
std::vector<MenuLine> menuFor(int index);

// A copy of a window's state, for tests and benchmarks.
struct Snapshot {
  int width = 0, height = 0, cellWidth = 0, cellHeight = 0;
  Cursor cursor;
  std::uint32_t fg = 0, bg = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  std::uint32_t pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};
std::optional<Snapshot> snapshot(int index);

// The last line read (for tests).
std::u16string inputHistory();

}  // namespace rozoru::textwin
