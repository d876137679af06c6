// KAV_Console: one command read in the current text window and carried out.
#include <cstring>

#include "rozoru/draw.h"
#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "textwin/textwin.h"

namespace {

using namespace rozoru;

void postToMainWindow(int key) {
  if (const Hwnd main = shell().mainWindow()) windowTable().post(Message{main, Msg::KeyDown, key, 0, 0, {}});
}

}  // namespace

int KAV_Console() {
  KAV_Printf("Cmd>");
  char line[512] = {};
  // A cancelled read leaves the line empty: an invalid command.
  KAV_ReadLine(line);
  if (std::strcmp(line, "exit") == 0) {
    postToMainWindow(key::Escape);  // the exit sequence
    return 0;
  }
  if (std::strcmp(line, "start") == 0) {
    postToMainWindow('S');
    return 0;
  }
  if (std::strcmp(line, "help") == 0) {
    KAV_Printf("Command list:exit help start ver color\n");
    return 0;
  }
  if (std::strcmp(line, "ver") == 0) {
    if (const Hwnd h = textwin::handleOf(textwin::currentIndex()))
      windowTable().post(Message{h, Msg::Command, textwin::tcmd::About, 0, 0, {}});
    return 0;
  }
  if (std::strcmp(line, "color") == 0) {
    KAV_Printf("Red  :%3u\n", (kav_dc >> 16) & 0xFFu);
    KAV_Printf("Green:%3u\n", (kav_dc >> 8) & 0xFFu);
    KAV_Printf("Blue :%3u\n", kav_dc & 0xFFu);
    KAV_Printf("kav_tttc=%06x\n", kav_tttc);
    KAV_Printf("kav_tc=%06x\n", kav_tc);
    return 0;
  }
  KAV_Printf("Invalid command\n");
  return 1;
}
