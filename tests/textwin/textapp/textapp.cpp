// A ROZORU application for end-to-end tests of text windows: it opens text
// window 0, prints a prompt and logs every line typed into it.
//
// Test-only: ROZORU_TESTAPP_LOG names the file that receives one line per
// event, flushed at once: "init", "line <text>", "cancelled", "exit".
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "rozoru/kav.h"
#include "rozoru/textwin.h"

namespace {

void logEvent(const char* prefix, const char* text = "") {
  static std::mutex mutex;
  const char* path = std::getenv("ROZORU_TESTAPP_LOG");
  if (!path) return;
  std::lock_guard lock(mutex);
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s%s\n", prefix, text);
    std::fclose(f);
  }
}

}  // namespace

void KAV_Init() {
  KAV_OpenTextWindow(0, 100, 100, 400, 300);
  KAV_PushTextColor(0xFFFF00, 0x000080);
  KAV_Printf("Text window test\n");
  KAV_PopTextColor();
  logEvent("init");
  kav_start = 1;
}

void KAV_Main() {
  while (kav_stop.load() == 0) {
    KAV_Printf("Name>");
    char line[256];
    if (KAV_ReadLine(line) == 0) {
      logEvent("line ", line);
      KAV_Printf("Hello, %s\n", line);
    } else {
      logEvent("cancelled");
      break;
    }
  }
}

void KAV_Exit() { logEvent("exit"); }
