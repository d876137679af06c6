// Framework messages: what window procedures receive.
//
// Reentrant: plain values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rozoru {

// A framework window handle; 0 is no window.
using Hwnd = std::uint32_t;

enum class Msg : std::uint32_t {
  None = 0,
  Create,
  Destroy,
  Move,        // lparam: x | y << 32 of the window's frame
  Size,        // wparam: client width, lparam: client height
  Paint,
  Close,       // the close box was used
  KeyDown,     // wparam: key code (Key below or an upper-case letter/digit)
  Char,        // wparam: UTF-16 unit
  Command,     // wparam: command id
  MouseMove,   // wparam: buttons held (mouse::), lparam: client x | client y << 32;
               // the same for the button messages below
  LButtonDown,
  LButtonUp,
  LButtonDblClk,
  RButtonDown,
  MButtonDown,
  MouseWheel,  // wparam: delta in 1/8 degrees (120 a notch), negative toward the user
  DropFiles,   // payload: DroppedFiles
  NcRButtonDown,
  Control,     // from a child control: wparam: control id, lparam: ctl:: notification;
               // payload: the control's text (std::string, UTF-8) for edit notifications
  Sizing,      // the user drags an edge: wparam: sizing:: edge; a Size follows
  User = 0x400,
};

// Key codes. Letters and digits are their upper-case ASCII codes.
namespace key {
inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int PageUp = 0x21;
inline constexpr int PageDown = 0x22;
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Delete = 0x2E;
inline constexpr int NumPad0 = 0x60;  // keypad digits are NumPad0 + n
inline constexpr int Add = 0x6B;      // keypad plus
inline constexpr int Subtract = 0x6D; // keypad minus
inline constexpr int F1 = 0x70;
inline constexpr int Minus = 0xBD;
}  // namespace key

// Notifications of child controls, in the lparam of Control messages.
namespace ctl {
inline constexpr std::int64_t Clicked = 0;    // a push button was clicked
inline constexpr std::int64_t SetFocus = 1;   // an edit field got the keyboard focus
inline constexpr std::int64_t KillFocus = 2;  // an edit field lost it (payload: its text)
inline constexpr std::int64_t Enter = 3;      // Enter in an edit field (payload: its text)
}  // namespace ctl

// The edge being dragged, in the wparam of Sizing messages.
namespace sizing {
inline constexpr std::int64_t Other = 0;
inline constexpr std::int64_t Left = 1;
inline constexpr std::int64_t Right = 2;
}  // namespace sizing

// Mouse buttons held, in the wparam of mouse messages.
namespace mouse {
inline constexpr std::int64_t Left = 1;
inline constexpr std::int64_t Right = 2;
inline constexpr std::int64_t Middle = 4;
}  // namespace mouse

// Modifier state captured when the message was made.
namespace mods {
inline constexpr std::uint32_t Ctrl = 1;
inline constexpr std::uint32_t Shift = 2;
}  // namespace mods

struct DroppedFiles {
  std::vector<std::string> paths;  // UTF-8, in drop order
};

struct Message {
  Hwnd hwnd = 0;
  Msg type = Msg::None;
  std::int64_t wparam = 0;
  std::int64_t lparam = 0;
  std::uint32_t modifiers = 0;
  std::shared_ptr<const void> payload;

  bool ctrl() const { return (modifiers & mods::Ctrl) != 0; }
  bool shift() const { return (modifiers & mods::Shift) != 0; }
};

inline std::int64_t packXY(int x, int y) {
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(x)) |
         (static_cast<std::int64_t>(static_cast<std::uint32_t>(y)) << 32);
}
inline int unpackX(std::int64_t v) { return static_cast<int>(static_cast<std::uint32_t>(v & 0xFFFFFFFF)); }
inline int unpackY(std::int64_t v) { return static_cast<int>(static_cast<std::uint32_t>((v >> 32) & 0xFFFFFFFF)); }

}  // namespace rozoru
