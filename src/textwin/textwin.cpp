#include "textwin/textwin.h"

#include <atomic>

#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/windows.h"
#include "textwin/text_system.h"

namespace rozoru::textwin {

namespace detail {

System& sys() {
  static System s;
  return s;
}

void presentLocked(const Record& r) {
  if (WindowSystem* w = ws(); w && r.surface)
    w->present(r.hwnd, r.surface->pixels(), r.surface->width(), r.surface->height(), r.surface->width());
}

std::string colourDepthText() {
  const int depth = ws() ? ws()->metrics().colorDepth : 0;
  return std::to_string(depth) + "-bit color";
}

}  // namespace detail

using namespace detail;

namespace {

std::unique_ptr<TextSurface> makeSurface(int width, int height) {
  if (hooks().makeSurface) return hooks().makeSurface(width, height);
  return std::make_unique<TextSurface>(width, height, 8, 16);
}

// The window whose Space started the console: that key's own character,
// which the window system sends after the press, is not typed into the
// console's line.
std::atomic<Hwnd> g_consoleSpace{0};

void postTo(Hwnd h, Msg type, std::int64_t w, std::uint32_t mods = 0) {
  windowTable().post(Message{h, type, w, 0, mods, {}});
}

void onKey(int index, Hwnd h, const Message& m) {
  System& s = sys();
  const int k = static_cast<int>(m.wparam);
  if (s.waiting.load() != 0) {
    if (k == key::Up) {
      typeHistory();
    } else if (k == 'V' && m.ctrl()) {
      typeClipboard();
    } else if (k == key::Return || k == key::Back || k == key::Tab) {
      // The keyboard's control characters reach line input as characters.
      acceptChar(static_cast<char16_t>(k), m.ctrl());
    }
    return;
  }
  if (hooks().pickMode && hooks().pickMode() && (m.ctrl() || k == key::Escape || k == 'C')) return;
  if (m.ctrl()) {
    switch (k) {
      case 'A':
        postTo(h, Msg::Command, tcmd::About);
        break;
      case 'C':
        postTo(h, Msg::Command, tcmd::CopyLog);
        break;
      case 'W':
        postTo(h, Msg::Command, tcmd::WindowInfo);
        break;
      case 'Q':
        postTo(h, Msg::Command, tcmd::Destroy);
        break;
      case 'S':
        postTo(h, Msg::Command, tcmd::Select);
        break;
      default:
        break;
    }
    return;
  }
  if (k == 'X' || k == key::Escape || k == 'S' || k == 'C') {
    // Exit, Start and Stop act from a text window as from the main window.
    if (const Hwnd main = shell().mainWindow()) postTo(main, Msg::KeyDown, k, m.modifiers);
  } else if (k == key::Space) {
    g_consoleSpace = h;
    KAV_SelectTextWindow(index);
    if (hooks().console) hooks().console();
  }
}

void onCommand(int index, int id) {
  switch (id) {
    case tcmd::Destroy:
      KAV_CloseTextWindow(index);
      break;
    case tcmd::Select:
      KAV_SelectTextWindow(index);
      break;
    case tcmd::Console:
      if (hooks().console) hooks().console();
      break;
    case tcmd::About:
    case tcmd::StartLog:
    case tcmd::StopLog:
    case tcmd::CopyLog:
    case tcmd::WindowInfo:
      if (hooks().command) hooks().command(index, id);
      break;
    default:
      break;
  }
}

void onSize(int index, Hwnd h, int width, int height) {
  if (width <= 0 || height <= 0) return;  // minimised
  {
    System& s = sys();
    std::lock_guard lock(s.mutex);
    const Record& r = s.records[static_cast<std::size_t>(index)];
    // Qt reports the size a window was made with when it is first shown;
    // only a real change clears the text.
    if (r.state != Record::State::Open || r.hwnd != h ||
        (r.surface && r.surface->width() == width && r.surface->height() == height))
      return;
  }
  auto fresh = makeSurface(width, height);
  fresh->fillRect(0, 0, fresh->width(), fresh->height(), 0);
  withWindow(index, h, [&](Record& r) {
    r.surface = std::move(fresh);
    r.cursor = {};
  });
  shell().rebuildSnapTable();
}

void showMenu(int index, Hwnd h) {
  if (sys().waiting.load() != 0) return;
  if (hooks().pickMode && hooks().pickMode()) return;
  std::vector<MenuItem> items;
  for (const MenuLine& l : menuFor(index)) {
    MenuItem it;
    it.text = l.text;
    it.id = l.id;
    it.separator = l.separator;
    it.checked = l.checked;
    items.push_back(std::move(it));
  }
  if (WindowSystem* w = ws()) w->popupMenu(h, items);
}

}  // namespace

Hooks& hooks() {
  static Hooks h;
  return h;
}

// ------------------------------------------------------------ procedure ---

std::int64_t windowProc(int index, const Message& m) {
  if (!validIndex(index)) return 0;
  {
    System& s = sys();
    std::lock_guard lock(s.mutex);
    const Record& r = s.records[static_cast<std::size_t>(index)];
    if (r.state != Record::State::Open || r.hwnd != m.hwnd) return 0;
  }
  switch (m.type) {
    case Msg::Move:
      shell().rebuildSnapTable();
      break;
    case Msg::Size:
      onSize(index, m.hwnd, static_cast<int>(m.wparam), static_cast<int>(m.lparam));
      break;
    case Msg::Close:
      KAV_CloseTextWindow(index);
      break;
    case Msg::KeyDown:
      g_consoleSpace = 0;
      onKey(index, m.hwnd, m);
      break;
    case Msg::Char:
      if (g_consoleSpace.exchange(0) == m.hwnd && m.wparam == u' ') break;
      acceptChar(static_cast<char16_t>(m.wparam), m.ctrl());
      break;
    case Msg::Command:
      onCommand(index, static_cast<int>(m.wparam));
      break;
    case Msg::RButtonDown:
      showMenu(index, m.hwnd);
      break;
    default:
      break;
  }
  return 0;
}

std::vector<MenuLine> menuFor(int index) {
  const int state = hooks().logState ? hooks().logState(index) : 0;
  const bool current = currentIndex() == index;
  return {
      {"&Select\tCtrl+S", tcmd::Select, false, current},
      {"&Window Info.\tCtrl+W", tcmd::WindowInfo, false, false},
      {"Command", tcmd::Console, false, false},
      {"", 0, true, false},
      {"Start Log", tcmd::StartLog, false, state == 1},
      {"Stop Log", tcmd::StopLog, false, state == 2},
      {"&Copy ROZORU" + std::to_string(hooks().instance) + std::to_string(index) + ".LOG\tCtrl+C", tcmd::CopyLog,
       false, false},
      {"", 0, true, false},
      {"&About ROZORU\tCtrl+A", tcmd::About, false, false},
      {"", 0, true, false},
      {"&Destroy\tCtrl+Q", tcmd::Destroy, false, false},
  };
}

// ---------------------------------------------------------------- table ---

int currentIndex() {
  System& s = sys();
  std::lock_guard lock(s.mutex);
  return s.current;
}

bool isOpen(int index) { return handleOf(index) != 0; }

Hwnd handleOf(int index) {
  if (!validIndex(index)) return 0;
  System& s = sys();
  std::lock_guard lock(s.mutex);
  const Record& r = s.records[static_cast<std::size_t>(index)];
  return r.state == Record::State::Open ? r.hwnd : 0;
}

std::optional<Snapshot> snapshot(int index) {
  if (!validIndex(index)) return std::nullopt;
  System& s = sys();
  std::lock_guard lock(s.mutex);
  const Record& r = s.records[static_cast<std::size_t>(index)];
  if (r.state != Record::State::Open || !r.surface) return std::nullopt;
  Snapshot out;
  out.width = r.surface->width();
  out.height = r.surface->height();
  out.cellWidth = r.surface->cellWidth();
  out.cellHeight = r.surface->cellHeight();
  out.cursor = r.cursor;
  out.fg = r.colours.fg;
  out.bg = r.colours.bg;
  out.pixels.assign(r.surface->pixels(),
                    r.surface->pixels() + static_cast<std::ptrdiff_t>(out.width) * out.height);
  for (std::uint32_t& p : out.pixels) p &= 0xFFFFFFu;
  return out;
}

void install() {
  Shell& sh = shell();
  sh.setRequestHandler(req::OpenText, [](const Request& r) {
    KAV_OpenTextWindow(r.index, r.x, r.y, r.width, r.height);
    return 0;
  });
  sh.addSnapSource([](std::vector<Rect>& rects) {
    std::vector<Hwnd> open;
    {
      System& s = sys();
      std::lock_guard lock(s.mutex);
      for (const Record& r : s.records)
        if (r.state == Record::State::Open) open.push_back(r.hwnd);
    }
    if (WindowSystem* w = ws())
      for (Hwnd h : open) rects.push_back(w->frameRect(h));
  });
  auto previous = sh.cancelLineInput;
  sh.cancelLineInput = [previous] {
    if (previous) previous();
    cancelLineInput();
  };
  // Image windows and boxes open no menu while a line is being typed.
  sh.lineInputWaiting = [] { return sys().waiting.load() != 0; };
}

void reset() {
  System& s = sys();
  std::vector<Hwnd> open;
  {
    std::lock_guard lock(s.mutex);
    for (Record& r : s.records) {
      if (r.state == Record::State::Open) open.push_back(r.hwnd);
      r = Record{};
    }
    s.current = 0;
    s.stack.fill(0);
  }
  for (Hwnd h : open) {
    windowTable().remove(h);
    if (WindowSystem* w = ws()) w->destroy(h);
  }
  s.waiting = 0;
  s.waiter = nullptr;
  s.ring.clear();
  std::lock_guard lock(s.historyMutex);
  s.history.clear();
}

void ensureTextWindow() {
  Hwnd h = 0;
  {
    System& s = sys();
    std::lock_guard lock(s.mutex);
    const Record& r = s.records[static_cast<std::size_t>(s.current)];
    if (r.state == Record::State::Open) h = r.hwnd;
  }
  if (h) {
    if (WindowSystem* w = ws()) w->setForeground(h);
    return;
  }
  const ScreenMetrics m = ws() ? ws()->metrics() : ScreenMetrics{};
  KAV_OpenTextWindow(0, m.fullWidth / 2 - kDefaultWidth / 2, m.fullHeight / 2 - kDefaultHeight / 2, kDefaultWidth,
                     kDefaultHeight);
}

void requestTextWindow(int index) {
  if (const Hwnd h = handleOf(index)) {
    if (WindowSystem* w = ws()) w->setForeground(h);
    return;
  }
  Request r;
  r.code = req::OpenText;
  r.index = index;
  r.x = r.y = r.width = r.height = -1;
  shell().sendRequest(r);
}

bool printText(std::string_view utf8) {
  System& s = sys();
  int index = 0;
  Hwnd h = 0;
  {
    std::lock_guard lock(s.mutex);
    const Record& r = s.records[static_cast<std::size_t>(s.current)];
    if (r.state != Record::State::Open) return false;
    index = s.current;
    h = r.hwnd;
  }
  if (hooks().log) hooks().log(index, utf8);
  const std::u16string units = utf8ToUtf16(utf8, 4096);
  withWindow(index, h, [&](Record& r) { printUnits(*r.surface, r.cursor, units, r.colours.fg, r.colours.bg); });
  // The worker's prints keep its windows answering. The GUI thread prints
  // from inside window procedures (the main window's Space key): dispatching
  // there would run the next key, or Exit, inside this print.
  if (!shell().onGuiThread()) KAV_DoEvents();
  return true;
}

}  // namespace rozoru::textwin

// ------------------------------------------------------------ KAV calls ---

using namespace rozoru;
using namespace rozoru::textwin;
using namespace rozoru::textwin::detail;

int KAV_OpenTextWindow(int index, int x, int y, int width, int height) {
  if (!validIndex(index)) return 2;
  System& s = sys();
  Hwnd existing = 0;
  {
    std::lock_guard lock(s.mutex);
    Record& r = s.records[static_cast<std::size_t>(index)];
    if (r.state == Record::State::Opening) return 1;  // another thread is making it
    if (r.state == Record::State::Open) {
      existing = r.hwnd;
      s.current = index;
    } else {
      r.state = Record::State::Opening;
    }
  }
  if (existing) {
    if (WindowSystem* w = ws()) w->setForeground(existing);
    return 1;
  }
  if (width < 0) width = kDefaultWidth;
  if (height < 0) height = kDefaultHeight;
  auto surface = makeSurface(width, height);
  surface->fillRect(0, 0, surface->width(), surface->height(), 0);

  Pump* pump = currentPump();
  MessageQueue* owner = pump ? &pump->queue() : &shell().workerPump().queue();
  const Hwnd h = windowTable().add(owner, "kav_twi", [index](const Message& m) { return windowProc(index, m); });
  CreateParams p;
  p.className = "kav_twi";
  p.title = "TextWindow " + std::to_string(index);
  p.x = x < 0 ? -1 : x;
  p.y = y < 0 ? -1 : y;
  p.clientWidth = surface->width();
  p.clientHeight = surface->height();
  p.style.resizable = true;
  WindowSystem* w = ws();
  if (w && !w->create(h, p)) {
    windowTable().remove(h);
    std::lock_guard lock(s.mutex);
    s.records[static_cast<std::size_t>(index)].state = Record::State::Free;
    return 2;
  }
  {
    std::lock_guard lock(s.mutex);
    Record& r = s.records[static_cast<std::size_t>(index)];
    r.hwnd = h;
    r.surface = std::move(surface);
    r.cursor = {};
    r.colours = Colours{};
    r.saved.fill(r.colours);
    r.state = Record::State::Open;
    s.current = index;
    presentLocked(r);
  }
  shell().rebuildSnapTable();
  // Shown without taking the keyboard from the window the user types in.
  if (w) w->show(h);
  return 0;
}

int KAV_CloseTextWindow(int index) {
  if (!validIndex(index)) return 1;
  System& s = sys();
  Hwnd h = 0;
  std::unique_ptr<TextSurface> gone;
  {
    std::lock_guard lock(s.mutex);
    Record& r = s.records[static_cast<std::size_t>(index)];
    if (r.state != Record::State::Open) return 1;
    h = r.hwnd;
    gone = std::move(r.surface);
    r = Record{};
    if (s.current == index) {
      for (int i = 0; i < kWindows; ++i)
        if (s.records[static_cast<std::size_t>(i)].state == Record::State::Open) {
          s.current = i;
          break;
        }
    }
  }
  if (s.waiting.load() == index + 1) cancelLineInput();
  if (hooks().closed) hooks().closed(index);
  windowTable().remove(h);
  if (WindowSystem* w = ws()) w->destroy(h);
  shell().rebuildSnapTable();
  return 0;
}

int KAV_SelectTextWindow(int index) {
  if (!validIndex(index)) return 1;
  System& s = sys();
  std::lock_guard lock(s.mutex);
  if (s.records[static_cast<std::size_t>(index)].state != Record::State::Open) return 1;
  for (int i = kStackDepth - 1; i > 0; --i) s.stack[static_cast<std::size_t>(i)] = s.stack[static_cast<std::size_t>(i - 1)];
  s.stack[0] = s.current;
  s.current = index;
  return 0;
}

void KAV_PushTextColor(unsigned int textColor, unsigned int backColor) {
  System& s = sys();
  std::lock_guard lock(s.mutex);
  Record& r = s.records[static_cast<std::size_t>(s.current)];
  if (r.state != Record::State::Open) return;
  for (int i = kColourLevels - 1; i > 0; --i) r.saved[static_cast<std::size_t>(i)] = r.saved[static_cast<std::size_t>(i - 1)];
  r.saved[0] = r.colours;
  r.colours = Colours{textColor & 0xFFFFFFu, backColor & 0xFFFFFFu};
}

void KAV_PopTextColor() {
  System& s = sys();
  std::lock_guard lock(s.mutex);
  Record& r = s.records[static_cast<std::size_t>(s.current)];
  if (r.state != Record::State::Open) return;
  r.colours = r.saved[0];
  // The last level keeps its value, so popping more than was pushed repeats it.
  for (int i = 0; i < kColourLevels - 1; ++i) r.saved[static_cast<std::size_t>(i)] = r.saved[static_cast<std::size_t>(i + 1)];
}

