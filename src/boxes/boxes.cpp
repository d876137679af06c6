#include "boxes/boxes.h"

#include <atomic>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "boxes/buttons.h"
#include "rozoru/boxes.h"
#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "textwin/textwin.h"

namespace rozoru::boxes {

namespace {

WindowSystem* ws() { return shell().windowSystem(); }

MessageQueue& ownerQueue() {
  Pump* p = currentPump();
  return p ? p->queue() : shell().workerPump().queue();
}

MenuItem menuItem(const char* text, int id) {
  MenuItem item;
  item.text = text;
  item.id = id;
  return item;
}

bool menusShut() { return shell().lineInputWaiting && shell().lineInputWaiting(); }

// The button box. The button size outlives the box: the next box uses it.
struct ButtonBox {
  std::atomic<Hwnd> hwnd{0};
  int nx = 0, ny = 0, count = 0;
  Size button{kDefaultButtonWidth, kDefaultButtonHeight};
  int renameIndex = 0;
};

// The input box. The column widths outlive the box as well.
struct InputBox {
  std::atomic<Hwnd> hwnd{0};
  int n = 0;
  int titleWidth = kDefaultTitleWidth;
  int editWidth = kDefaultEditWidth;
  std::vector<std::string> values;
  int focusRow = -1;
  int renameRow = -1;
  std::int64_t edge = sizing::Other;
};

ButtonBox g_bb;
InputBox g_ib;

CreateParams boxParams(const char* className, const char* title, int x, int y, Size client) {
  CreateParams p;
  p.className = className;
  p.title = title;
  // Negative positions are used as given: a box may start off the screen's edge.
  p.x = x < 0 ? 0 : x;
  p.y = y < 0 ? 0 : y;
  p.clientWidth = client.width;
  p.clientHeight = client.height;
  p.style.resizable = true;
  p.style.backgroundIsFrame = true;
  return p;
}

// Reads a line typed into the current text window after a prompt; empty
// when nothing was typed or the input was cancelled.
std::string promptLine(int index, const std::string& current) {
  textwin::ensureTextWindow();
  KAV_Printf("%d '%s' ->", index, current.c_str());
  char line[256] = {};
  if (KAV_ReadLine(line) != 0) return {};
  return line;
}

// ---------------------------------------------------------- button box ---

void layoutButtons() {
  WindowSystem* w = ws();
  const Hwnd h = g_bb.hwnd;
  if (!w || !h) return;
  for (int i = 0; i < g_bb.count; ++i) w->setControlRect(h, i, buttonRect(i, g_bb.nx, g_bb.button));
}

void renameButton(int i) {
  const Hwnd h = g_bb.hwnd;
  WindowSystem* w = ws();
  if (!h || !w || i < 0 || i >= g_bb.count) return;
  const std::string line = promptLine(i, cutUtf8(w->controlText(h, i), 511));
  // The box may have been destroyed, or replaced, while the line was typed.
  if (line.empty() || g_bb.hwnd != h || i >= g_bb.count) return;
  w->setControlText(h, i, line);
}

// ----------------------------------------------------------- input box ---

void layoutRows() {
  WindowSystem* w = ws();
  const Hwnd h = g_ib.hwnd;
  if (!w || !h) return;
  for (int i = 0; i < g_ib.n; ++i) {
    w->setControlRect(h, kTitleId + i, titleRect(i, g_ib.titleWidth));
    w->setControlRect(h, kEditId + i, editRect(i, g_ib.titleWidth, g_ib.editWidth));
  }
}

void storeField(int row, const Message& m) {
  if (row < 0 || row >= g_ib.n) return;
  std::string text;
  if (m.payload)
    text = *static_cast<const std::string*>(m.payload.get());
  else if (WindowSystem* w = ws())
    text = w->controlText(g_ib.hwnd, kEditId + row);
  g_ib.values[static_cast<std::size_t>(row)] = cutUtf8(text, kValueBytes - 1);
}

void renameRow(int row) {
  const Hwnd h = g_ib.hwnd;
  WindowSystem* w = ws();
  if (!h || !w || row < 0 || row >= g_ib.n) return;
  const std::string line = promptLine(row, cutUtf8(w->controlText(h, kTitleId + row), kValueBytes - 1));
  if (line.empty() || g_ib.hwnd != h || row >= g_ib.n) return;
  w->setControlText(h, kTitleId + row, line);
}

}  // namespace

std::int64_t buttonBoxProc(const Message& m) {
  WindowSystem* w = ws();
  switch (m.type) {
    case Msg::Move:
      shell().rebuildSnapTable();
      return 0;
    case Msg::Size:
      if (g_bb.nx > 0 && g_bb.ny > 0) {
        g_bb.button = buttonSizeFor(static_cast<int>(m.wparam), static_cast<int>(m.lparam), g_bb.nx, g_bb.ny);
        layoutButtons();
      }
      return 0;
    case Msg::Close:
      KAV_DestroyButtonBox();
      return 0;
    case Msg::NcRButtonDown:
      if (w && !menusShut()) w->popupMenu(m.hwnd, {menuItem("&Destroy\tCtrl+Q", bcmd::ButtonDestroy)});
      return 0;
    case Msg::RButtonDown:
      if (menusShut()) return 0;
      g_bb.renameIndex = buttonAt(unpackX(m.lparam), unpackY(m.lparam), g_bb.nx, g_bb.ny, g_bb.button);
      if (w) w->popupMenu(m.hwnd, {menuItem("Rename", bcmd::ButtonRename)});
      return 0;
    case Msg::LButtonDblClk:
      if (!menusShut()) renameButton(buttonAt(unpackX(m.lparam), unpackY(m.lparam), g_bb.nx, g_bb.ny, g_bb.button));
      return 0;
    case Msg::Command:
      if (m.wparam == bcmd::ButtonDestroy)
        KAV_DestroyButtonBox();
      else if (m.wparam == bcmd::ButtonRename)
        renameButton(g_bb.renameIndex);
      return 0;
    case Msg::Control:
      if (m.lparam == ctl::Clicked && m.wparam >= 0 && m.wparam < g_bb.count) ++kav_button[m.wparam];
      return 0;
    case Msg::KeyDown: {
      const int k = static_cast<int>(m.wparam);
      if (const int b = buttonForKey(k); b >= 0) {
        pressButtonByKey(b);
        return 0;
      }
      if (m.ctrl()) return 0;
      // Esc and C mean Exit and Stop wherever the keyboard focus is.
      if (k == key::Escape || k == 'C')
        windowTable().post(Message{shell().mainWindow(), Msg::KeyDown, k, 0, m.modifiers, {}});
      return 0;
    }
    case Msg::Char:
      if (m.wparam >= '0' && m.wparam <= '9') {
        const int b = static_cast<int>(m.wparam - '0');
        if (b < g_bb.count) ++kav_button[b];
      }
      return 0;
    default:
      return 0;
  }
}

std::int64_t inputBoxProc(const Message& m) {
  WindowSystem* w = ws();
  switch (m.type) {
    case Msg::Move:
      shell().rebuildSnapTable();
      return 0;
    case Msg::Sizing:
      g_ib.edge = m.wparam;
      return 0;
    case Msg::Size:
      if (g_ib.n > 0) {
        columnsFor(static_cast<int>(m.wparam), g_ib.edge, g_ib.titleWidth, g_ib.editWidth);
        layoutRows();
      }
      return 0;
    case Msg::Close:
      KAV_DestroyInputBox();
      return 0;
    case Msg::NcRButtonDown:
      if (w && !menusShut()) w->popupMenu(m.hwnd, {menuItem("Destroy", bcmd::InputDestroy)});
      return 0;
    case Msg::RButtonDown:
      if (menusShut()) return 0;
      g_ib.renameRow = rowAt(unpackY(m.lparam), g_ib.n);
      if (w) w->popupMenu(m.hwnd, {menuItem("Rename", bcmd::InputRename)});
      return 0;
    case Msg::LButtonDblClk:
      if (!menusShut()) renameRow(rowAt(unpackY(m.lparam), g_ib.n));
      return 0;
    case Msg::Command:
      if (m.wparam == bcmd::InputDestroy)
        KAV_DestroyInputBox();
      else if (m.wparam == bcmd::InputRename)
        renameRow(g_ib.renameRow);
      return 0;
    case Msg::Control: {
      const int row = static_cast<int>(m.wparam) - kEditId;
      if (row < 0 || row >= g_ib.n) return 0;
      if (m.lparam == ctl::SetFocus)
        g_ib.focusRow = row;
      else if (m.lparam == ctl::KillFocus || m.lparam == ctl::Enter)
        storeField(row, m);
      return 0;
    }
    default:
      return 0;
  }
}

Hwnd inputBoxHandle() { return g_ib.hwnd.load(); }
Hwnd buttonBoxHandle() { return g_bb.hwnd.load(); }

ButtonBoxState buttonBoxState() { return {g_bb.nx, g_bb.ny, g_bb.count, g_bb.button, g_bb.renameIndex}; }

InputBoxState inputBoxState() { return {g_ib.n, g_ib.titleWidth, g_ib.editWidth, g_ib.focusRow, g_ib.values}; }

void install() {
  Shell& sh = shell();
  sh.setRequestHandler(req::InputBox, [](const Request& r) {
    KAV_DestroyInputBox();
    KAV_OpenInputBox(0, 0, r.index);
    return 0;
  });
  sh.setRequestHandler(req::ButtonBox, [](const Request& r) {
    KAV_DestroyButtonBox();
    KAV_OpenButtonBox(0, 0, r.width, r.height);
    return 0;
  });
  sh.addSnapSource([](std::vector<Rect>& rects) {
    WindowSystem* w = ws();
    if (!w) return;
    if (const Hwnd h = g_ib.hwnd) rects.push_back(w->frameRect(h));
    if (const Hwnd h = g_bb.hwnd) rects.push_back(w->frameRect(h));
  });
}

void reset() {
  KAV_DestroyInputBox();
  KAV_DestroyButtonBox();
  g_bb.nx = g_bb.ny = g_bb.count = 0;
  g_bb.button = {kDefaultButtonWidth, kDefaultButtonHeight};
  g_bb.renameIndex = 0;
  g_ib.titleWidth = kDefaultTitleWidth;
  g_ib.editWidth = kDefaultEditWidth;
  g_ib.edge = sizing::Other;
  std::memset(kav_button, 0, sizeof kav_button);
}

}  // namespace rozoru::boxes

using namespace rozoru;
using namespace rozoru::boxes;

// --------------------------------------------------------------- button box --

void KAV_OpenButtonBox(int x, int y, int nx, int ny) {
  if (g_bb.hwnd || !validButtonGrid(nx, ny)) return;
  g_bb.nx = nx;
  g_bb.ny = ny;
  g_bb.count = nx * ny;
  const Hwnd h = windowTable().add(&ownerQueue(), "kav_bb", buttonBoxProc);
  WindowSystem* w = ws();
  if (w && !w->create(h, boxParams("kav_bb", "ButtonBox", x, y, buttonBoxClient(nx, ny, g_bb.button)))) {
    windowTable().remove(h);
    return;
  }
  if (w && (x < 0 || y < 0)) w->move(h, x, y);
  g_bb.hwnd = h;
  for (int i = 0; i < g_bb.count; ++i) {
    kav_button[i] = 0;
    if (w) w->addControl(h, ControlKind::Button, i, buttonRect(i, nx, g_bb.button), std::to_string(i));
  }
  setButtonCount(g_bb.count);
  // Shown without taking the keyboard from the window the user types in.
  if (w) w->show(h);
}

void KAV_SetButtonBoxTitle(int i, const char* text) {
  const Hwnd h = g_bb.hwnd;
  if (!h || !text || i < 0 || i >= g_bb.count) return;
  if (WindowSystem* w = ws()) w->setControlText(h, i, cutUtf8(text, 1023));
}

void KAV_ResizeButtonBox(int width, int height) {
  const Hwnd h = g_bb.hwnd;
  if (!h || width <= 0 || height <= 0) return;
  if (WindowSystem* w = ws()) w->setClientSize(h, width, height);
  // Laid out at once; the window system's Size message lays out again to
  // whatever size the window really got.
  g_bb.button = buttonSizeFor(width, height, g_bb.nx, g_bb.ny);
  layoutButtons();
}

void KAV_DestroyButtonBox() {
  const Hwnd h = g_bb.hwnd.exchange(0);
  if (!h) return;
  setButtonCount(0);
  if (WindowSystem* w = ws()) w->destroy(h);
  windowTable().remove(h);
}

int KAV_GetButton(int k) {
  if (!g_bb.hwnd || k < 0 || k >= g_bb.count) return 0;
  const int v = kav_button[k];
  kav_button[k] = 0;
  return v;
}

// ---------------------------------------------------------------- input box --

void KAV_OpenInputBox(int x, int y, int n) {
  if (g_ib.hwnd) return;
  n = clampItems(n);
  g_ib.n = n;
  const Hwnd h = windowTable().add(&ownerQueue(), "kav_ib", inputBoxProc);
  WindowSystem* w = ws();
  if (w && !w->create(h, boxParams("kav_ib", "InputBox", x, y, inputBoxClient(n, g_ib.titleWidth, g_ib.editWidth)))) {
    windowTable().remove(h);
    g_ib.n = 0;
    return;
  }
  if (w && (x < 0 || y < 0)) w->move(h, x, y);
  g_ib.values.assign(static_cast<std::size_t>(n), "0");
  g_ib.focusRow = -1;
  g_ib.renameRow = -1;
  g_ib.edge = sizing::Other;
  g_ib.hwnd = h;
  if (!w) return;
  w->fixHeight(h);
  for (int i = 0; i < n; ++i) {
    w->addControl(h, ControlKind::Label, kTitleId + i, titleRect(i, g_ib.titleWidth), "Item " + std::to_string(i));
    w->addControl(h, ControlKind::Edit, kEditId + i, editRect(i, g_ib.titleWidth, g_ib.editWidth), "0");
  }
  w->show(h);
  // Item 0 gets the focus with its text selected, so typing replaces it.
  // The window system gives the focus back to the last field on every
  // activation; a worker that did it as well would act on a stale row and
  // take the focus from a field the user has just tabbed to.
  w->focusControl(h, kEditId, true);
}

void KAV_SetInputBoxTitle(int i, const char* text) {
  const Hwnd h = g_ib.hwnd;
  if (!h || !text || i < 0 || i >= g_ib.n) return;
  if (WindowSystem* w = ws()) w->setControlText(h, kTitleId + i, cutUtf8(text, kValueBytes - 1));
}

void KAV_ResizeInputBox(int isize, int esize) {
  g_ib.titleWidth = isize < 1 ? 1 : isize;
  g_ib.editWidth = esize < 1 ? 1 : esize;
  const Hwnd h = g_ib.hwnd;
  if (!h) return;
  layoutRows();
  const Size client = inputBoxClient(g_ib.n, g_ib.titleWidth, g_ib.editWidth);
  if (WindowSystem* w = ws()) w->setClientSize(h, client.width, client.height);
}

void KAV_DestroyInputBox() {
  const Hwnd h = g_ib.hwnd.exchange(0);
  if (!h) return;
  if (WindowSystem* w = ws()) w->destroy(h);
  windowTable().remove(h);
  g_ib.values.clear();
  g_ib.n = 0;
  g_ib.focusRow = -1;
}

int KAV_GetInputBoxText(int k, char* buffer, int size) {
  if (buffer && size > 0) buffer[0] = '\0';
  if (!g_ib.hwnd || k < 0 || k >= g_ib.n || !buffer || size <= 0) return 1;
  const std::string v = cutUtf8(g_ib.values[static_cast<std::size_t>(k)], static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, v.c_str(), v.size() + 1);
  return 0;
}

double KAV_GetInputBoxValue(int k) {
  if (!g_ib.hwnd || k < 0 || k >= g_ib.n) return 0.0;
  // from_chars, not strtod: the process locale (set by Qt) must not turn
  // "1.5" into 1.
  const std::string& v = g_ib.values[static_cast<std::size_t>(k)];
  const char* p = v.data();
  const char* end = p + v.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p < end && *p == '+') ++p;
  double out = 0.0;
  if (std::from_chars(p, end, out).ec != std::errc()) return 0.0;
  return out;
}
