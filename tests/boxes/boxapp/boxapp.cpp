// A ROZORU application for end-to-end tests of the boxes: it opens text
// window 0, a 4 x 2 button box and a 3-item input box, and in its loop logs
// every button press and every change of a value.
//
// Test-only: ROZORU_TESTAPP_LOG names the file that receives one line per
// event, flushed at once: "init", "button <k> <count>", "value <k> <text>",
// "exit".
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "rozoru/kav.h"

namespace {

void logEvent(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const char* path = std::getenv("ROZORU_TESTAPP_LOG");
  if (FILE* f = path ? std::fopen(path, "a") : nullptr) std::fprintf(f, "%s\n", line.c_str()), std::fclose(f);
}

}  // namespace

void KAV_Init() {
  KAV_OpenTextWindow(0, 520, 100, 400, 300);
  KAV_OpenButtonBox(40, 40, 4, 2);
  KAV_SetButtonBoxTitle(0, "Start\nnow");
  KAV_OpenInputBox(40, 200, 3);
  KAV_SetInputBoxTitle(0, "Gain");
  logEvent("init");
  kav_start = 1;
}

void KAV_Main() {
  std::string last[3] = {"0", "0", "0"};
  while (KAV_Wait(20) == 0) {
    for (int k = 0; k < 8; ++k)
      if (const int n = KAV_GetButton(k)) {
        KAV_Printf("button %d x%d\n", k, n);
        logEvent("button " + std::to_string(k) + " " + std::to_string(n));
      }
    for (int k = 0; k < 3; ++k) {
      char value[256];
      if (KAV_GetInputBoxText(k, value, sizeof value) == 0 && last[k] != value) {
        last[k] = value;
        KAV_Printf("value %d = %s (%g)\n", k, value, KAV_GetInputBoxValue(k));
        logEvent("value " + std::to_string(k) + " " + value);
      }
    }
  }
}

void KAV_Exit() { logEvent("exit"); }
