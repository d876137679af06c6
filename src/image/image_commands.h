// The commands of the image windows' two popup menus (and the keys that post
// them), carried out on the worker thread.
#pragma once

#include <functional>

namespace rozoru {

// Command numbers beyond the window's own ones (slots.h).
namespace imgcmd {
inline constexpr int TestRgb = 1053, TestHsv = 1054, TestYCrCb = 1055, TestYuv = 1067, TestYiq = 1068, TestGrey = 1071;
inline constexpr int Invert = 1058, FlipHorizontal = 1059, FlipVertical = 1060, RotateRight = 1061, RotateLeft = 1062;
inline constexpr int Size50 = 1063, Size70 = 1064, Size141 = 1065, Size200 = 1066;
inline constexpr int ColourChange = 1031, FontChange = 1049;
}  // namespace imgcmd

// Carries out command number command for image window id's slot. Numbers
// without a command are ignored.
void runImageCommand(int id, int command);

// Text typed at a prompt as a number: leading blanks and one sign, then
// digits up to the first non-digit; 0 when no digit follows. Values beyond
// int are clamped to INT_MIN / INT_MAX instead of overflowing.
int promptNumber(const char* text);

// Where Cut, Copy and the two Pastes reach the clipboard. Until the clipboard
// installs these, copying puts nothing anywhere (and fails) and pasting finds
// the clipboard empty (does nothing), which is how an empty clipboard answers.
struct ImageClipboardHooks {
  // True when the picture is on the clipboard.
  std::function<bool(int id)> copy;
  // x = y = -1 asks the user where to put the picture.
  std::function<void(int id, int x, int y)> paste;
};
ImageClipboardHooks& imageClipboardHooks();

}  // namespace rozoru
