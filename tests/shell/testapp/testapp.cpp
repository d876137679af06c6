// A small ROZORU application for end-to-end tests and benchmarks.
//
// Test-only: its behaviour comes from the environment, which the real
// programs never read.
//   ROZORU_TESTAPP_LOG   file that receives one line per event, flushed at once:
//                        "init", "main begin", "keyflag", "main end",
//                        "exit gui" or "exit worker"
//   ROZORU_TESTAPP_MODE  comma-separated words:
//                        autostart    KAV_Init sets kav_start
//                        ignore-stop  KAV_Main never returns by itself
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "rozoru/kav.h"
#include "shell/core/shell.h"

namespace {

bool hasMode(const char* word) {
  const char* mode = std::getenv("ROZORU_TESTAPP_MODE");
  return mode && (std::string(",") + mode + ",").find(std::string(",") + word + ",") != std::string::npos;
}

void logEvent(const char* event) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const char* path = std::getenv("ROZORU_TESTAPP_LOG");
  if (FILE* f = path ? std::fopen(path, "a") : nullptr) std::fprintf(f, "%s\n", event), std::fclose(f);
}

}  // namespace

void KAV_Init() {
  logEvent("init");
  if (hasMode("autostart")) kav_start = 1;
}

void KAV_Main() {
  logEvent("main begin");
  const bool ignoreStop = hasMode("ignore-stop");
  for (;;) {
    // Deliberately deaf to Stop and Exit, as a badly written application is.
    if (ignoreStop) ::pause();
    if (KAV_Wait(50) != 0) break;
    if (kav_keyflag.exchange(0) != 0) logEvent("keyflag");
  }
  logEvent("main end");
}

void KAV_Exit() { logEvent(rozoru::shell().onGuiThread() ? "exit gui" : "exit worker"); }
