#include "shell/core/main_menu.h"

#include "shell/core/main_window.h"

namespace rozoru {

bool lockedCommand(int command) {
  switch (command) {
    case cmd::Paste:
    case cmd::Start:
    case cmd::ImageWindow:
    case cmd::TextWindow:
    case cmd::InputBox:
    case cmd::ButtonBox:
    case cmd::WindowInfo:
      return true;
    default:
      return false;
  }
}

std::vector<MenuItem> mainWindowMenu(bool locked) {
  auto item = [locked](const char* text, int id) {
    MenuItem it;
    it.text = text;
    it.id = id;
    it.enabled = !(locked && lockedCommand(id));
    return it;
  };
  MenuItem separator;
  separator.separator = true;
  return {
      item("Paste\tCtrl+V", cmd::Paste),
      separator,
      item("Start", cmd::Start),
      item("Stop", cmd::Stop),
      item("E&xit", cmd::Exit),
      separator,
      item("Image Window", cmd::ImageWindow),
      item("Text Window", cmd::TextWindow),
      item("Input Box", cmd::InputBox),
      item("Button Box", cmd::ButtonBox),
      separator,
      item("&Window Info.\tCtrl+W", cmd::WindowInfo),
  };
}

}  // namespace rozoru
