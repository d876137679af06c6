#include "program/main_menu_commands.h"

#include <cstdio>

#include "image/image_commands.h"
#include "rozoru/boxes.h"
#include "rozoru/image.h"
#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "textwin/textwin.h"

namespace rozoru::mainmenu {

namespace {

// A prompt sequence that reaches the worker inside KAV_Main's dispatch (Start
// was chosen after the item), inside another line input or inside a pick
// would read lines, or hold a loop, that are not its own: it does not start.
bool promptsFree(const char* what) {
  const char* why = nullptr;
  const MainWindow& main = shell().mainWindowUnit();
  if (kav_running.load() != 0) {
    why = "the application is running";
  } else if (main.lineInputWaiting && main.lineInputWaiting()) {
    why = "a line input is waiting";
  } else if (main.pickRunning && main.pickRunning()) {
    why = "a pick is running";
  }
  if (!why) return true;
  std::fprintf(stderr, "rozoru: %s: %s; not started\n", what, why);
  return false;
}

// Prints the question and reads the answer as a number. False when the
// input was cancelled (Stop, a closed window) or Exit was chosen.
bool ask(const char* question, int& answer) {
  KAV_Printf("%s", question);
  char line[256] = {};
  if (KAV_ReadLine(line) != 0 || kav_exit.load() != 0) return false;
  answer = promptNumber(line);
  return true;
}

// Text window 0 opened, or brought forward, and made current.
void openTextWindowZero() { KAV_OpenTextWindow(0, -1, -1, -1, -1); }

void imageWindowDialog() {
  if (!promptsFree("Image Window")) return;
  openTextWindowZero();
  KAV_Printf("Creating ImageWindow...\n");
  int width = 0, height = 0, bits = 0;
  if (!ask(" Width=", width) || !ask("Height=", height) || !ask("Bit[32 or 8]=", bits)) return;
  if (bits != 32 && bits != 8) return;
  int slot = 0;
  while (slot < KAV_MAX_IMAGES && kav_image[slot].inUse) ++slot;
  if (slot == KAV_MAX_IMAGES) return;
  char title[16];
  std::snprintf(title, sizeof title, "%03d", slot);
  // The new image becomes, and stays, the current image.
  const int result = bits == 8 ? KAV_CreateImage8(slot, title, -1, -1, width, height, 100)
                               : KAV_CreateImage(slot, title, -1, -1, width, height, 100);
  if (result == 0) return;
  const char* why = result == 2 ? "no zoom fits the screen" : "not enough memory";
  KAV_Printf("Cannot create image window %s of %d x %d: %s\n", title, width, height, why);
  std::fprintf(stderr, "rozoru: cannot create image window %s of %d x %d: %s\n", title, width, height, why);
}

void inputBoxDialog() {
  if (!promptsFree("Input Box")) return;
  openTextWindowZero();
  KAV_Printf("Creating InpuxBox...\n");
  int items = 0;
  if (!ask("How many items? >", items)) return;
  KAV_DestroyInputBox();
  KAV_OpenInputBox(0, 0, items);  // clamps the count itself
}

void buttonBoxDialog() {
  if (!promptsFree("Button Box")) return;
  openTextWindowZero();
  KAV_Printf("Creating ButtonBox...\n");
  int nx = 0, ny = 0;
  if (!ask("Number[X]=>", nx) || !ask("Number[Y]=>", ny)) return;
  KAV_DestroyButtonBox();
  KAV_OpenButtonBox(0, 0, nx, ny);  // refuses invalid sizes itself
}

void onWorker(void (*dialog)()) { shell().workerPump().queue().postCall(dialog); }

}  // namespace

void runWindowCommand(int command) {
  switch (command) {
    case cmd::ImageWindow:
      onWorker(imageWindowDialog);
      break;
    case cmd::InputBox:
      onWorker(inputBoxDialog);
      break;
    case cmd::ButtonBox:
      onWorker(buttonBoxDialog);
      break;
    case cmd::TextWindow:
      for (int i = 0; i < textwin::kWindows; ++i)
        if (!textwin::isOpen(i)) {
          textwin::requestTextWindow(i);
          break;
        }
      break;
    case cmd::WindowInfo:
      // Never locked, so KAV_Main may run: a request would wait for it to
      // end. A call posted to the worker runs while KAV_Main dispatches.
      onWorker([] {
        // The current text window prints the report (its command 1045).
        if (!textwin::isOpen(textwin::currentIndex())) KAV_OpenTextWindow(0, -1, -1, -1, -1);
        if (const Hwnd h = textwin::handleOf(textwin::currentIndex()))
          windowTable().post(Message{h, Msg::Command, textwin::tcmd::WindowInfo, 0, 0, {}});
      });
      break;
    default:
      break;
  }
}

void install() {
  shell().mainWindowUnit().windowCommand = runWindowCommand;
  textwin::hooks().console = KAV_Console;
}

}  // namespace rozoru::mainmenu
