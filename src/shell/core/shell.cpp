#include "shell/core/shell.h"

#include "rozoru/kav.h"
#include "shell/core/windows.h"

namespace rozoru {

namespace {
Shell*& shellInstance() {
  static Shell* instance = new Shell;
  return instance;
}
}  // namespace

Shell& shell() { return *shellInstance(); }

void resetShell() {
  Shell*& instance = shellInstance();
  delete instance;
  instance = new Shell;
  kav_start = 0;
  kav_running = 0;
  kav_stop = 0;
  kav_exit = 0;
  kav_keyflag = 0;
}

Shell::Shell()
    : worker_(context_, requests_),
      requests_(worker_.pump()),
      exit_(context_, worker_),
      snapping_(context_),
      drops_(requests_),
      main_(context_, worker_, exit_, snapping_, drops_) {
  worker_.afterInit = [this] { snapping_.rebuild(); };
  worker_.acceptDrops = [this](bool accept) {
    if (context_.ws && context_.mainWindow) context_.ws->setAcceptDrops(context_.mainWindow, accept);
  };
}

void Shell::attach(WindowSystem* ws, Pump* guiPump) {
  context_.ws = ws;
  context_.guiPump = guiPump;
  context_.guiThread = std::this_thread::get_id();
}

void Shell::wakeAll() {
  worker_.wake();
  context_.wakeGui();
}

}  // namespace rozoru

void KAV_SetStatusText(const char* text) { rozoru::shell().setStatusText(text ? text : ""); }

int KAV_SetForeground(std::uint32_t window) {
  rozoru::Shell& sh = rozoru::shell();
  const rozoru::Hwnd h = window == KAVMAINWINDOW ? sh.mainWindow() : window;
  if (h == 0 || !rozoru::windowTable().exists(h)) return 1;
  if (rozoru::WindowSystem* ws = sh.windowSystem()) ws->setForeground(h);
  return 0;
}
