// The input box and the button box inside the framework: their state, window
// procedures and the request handlers that open them from the GUI thread.
//
// Thread-bound to the thread that owns the boxes (the worker), except where
// marked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "boxes/box_layout.h"
#include "shell/core/message.h"

namespace rozoru::boxes {

// Menu commands of the boxes.
namespace bcmd {
inline constexpr int InputDestroy = 1023;
inline constexpr int InputRename = 1056;
inline constexpr int ButtonDestroy = 1050;
inline constexpr int ButtonRename = 1057;
}  // namespace bcmd

// Control ids inside the input box; a button's id is its index.
inline constexpr int kTitleId = 100;  // + row
inline constexpr int kEditId = 200;   // + row

// Installs requests 9006 and 9007 and the boxes' snap source into the
// current shell. Thread-safe; before the worker starts.
void install();
// Destroys both boxes and restores the initial sizes. For tests.
void reset();

// Thread-safe: the open boxes' handles, 0 when closed.
Hwnd inputBoxHandle();
Hwnd buttonBoxHandle();

struct ButtonBoxState {
  int nx = 0, ny = 0, count = 0;
  Size button;
  int renameIndex = 0;
};
ButtonBoxState buttonBoxState();

struct InputBoxState {
  int n = 0;
  int titleWidth = 0, editWidth = 0;
  int focusRow = -1;
  std::vector<std::string> values;
};
InputBoxState inputBoxState();

std::int64_t buttonBoxProc(const Message& m);
std::int64_t inputBoxProc(const Message& m);

}  // namespace rozoru::boxes
