#include "textwin/text_commands.h"

#include <new>
#include <utility>
#include <vector>

#include "boxes/boxes.h"
#include "rozoru/image.h"
#include "rozoru/kav.h"
#include "textwin/logs.h"
#include "textwin/text_system.h"

#ifndef ROZORU_VERSION
#error "ROZORU_VERSION must be defined by the build (the project's version)"
#endif

namespace rozoru::textwin {

using namespace detail;

namespace {

// Prints text in the given colours, keeping the window's own.
void printIn(std::uint32_t fg, std::uint32_t bg, std::string_view text) {
  KAV_PushTextColor(fg, bg);
  printText(text);
  KAV_PopTextColor();
}

// Printed in the window that was asked, which becomes current, as for the
// window information.
void about(int index) {
  if (KAV_SelectTextWindow(index) == 0) printIn(0xFFFF00, 0, aboutBanner());
}

void command(int index, int id) {
  switch (id) {
    case tcmd::About:
      about(index);
      break;
    case tcmd::StartLog:
      logs::start(index);
      break;
    case tcmd::StopLog:
      logs::stop(index);
      break;
    case tcmd::CopyLog:
      logs::copy(index);
      break;
    case tcmd::WindowInfo:
      windowInformation(index);
      break;
    default:
      break;
  }
}

}  // namespace

std::string aboutBanner() {
  return "ROZORU " ROZORU_VERSION " -- image-processing framework\n";
}

OpenWindows openWindows() {
  OpenWindows out;
  WindowSystem* w = ws();
  if (!w) return out;
  for (int i = 0; i < KAV_MAX_IMAGES; ++i) {
    const ImageSlot& s = kav_image[i];
    if (!s.inUse) continue;
    const Rect f = w->frameRect(s.window);
    out.images.push_back({i, s.title, s.bitDepth, f.left, f.top, s.width, s.height, s.zoom});
  }
  std::vector<std::pair<Hwnd, TextWindowInfo>> texts;
  {
    System& sy = sys();
    std::lock_guard lock(sy.mutex);
    for (int k = 0; k < kWindows; ++k) {
      const Record& r = sy.records[static_cast<std::size_t>(k)];
      if (r.state == Record::State::Open && r.surface)
        texts.push_back({r.hwnd, {k, 0, 0, r.surface->width(), r.surface->height()}});
    }
  }
  // The window system is asked outside the lock: its answer may wait for the GUI thread.
  for (auto& [h, t] : texts) {
    const Rect f = w->frameRect(h);
    t.left = f.left;
    t.top = f.top;
    out.texts.push_back(t);
  }
  if (const Hwnd h = boxes::inputBoxHandle()) {
    const boxes::InputBoxState st = boxes::inputBoxState();
    const Rect f = w->frameRect(h);
    InputBoxInfo ib{f.left, f.top, st.titleWidth, st.editWidth, {}};
    for (int i = 0; i < st.n; ++i) ib.titles.push_back(w->controlText(h, boxes::kTitleId + i));
    out.inputBox = std::move(ib);
  }
  if (const Hwnd h = boxes::buttonBoxHandle()) {
    const boxes::ButtonBoxState st = boxes::buttonBoxState();
    const Rect f = w->frameRect(h);
    const Rect c = w->clientRect(h);
    ButtonBoxInfo bb{f.left, f.top, st.nx, st.ny, c.right - c.left, c.bottom - c.top, {}};
    for (int i = 0; i < st.count; ++i) bb.captions.push_back(w->controlText(h, i));
    out.buttonBox = std::move(bb);
  }
  return out;
}

void windowInformation(int index) {
  if (KAV_SelectTextWindow(index) != 0) return;
  WindowReport report;
  try {
    report = windowReport(openWindows());
  } catch (const std::bad_alloc&) {
    logs::pauseMessage("GlobalAlloc() failed. (ID_INFO)");
    return;
  }
  KAV_PushTextColor(0xFFFFFF, 0);
  for (const ColouredText& p : report.pieces) printIn(p.fg, p.bg, p.text);
  const auto& setText = hooks().setClipboardText;
  if (setText && setText(report.source)) printIn(kNoticeFg, kNoticeBg, kSourceSavedNotice);
  KAV_PopTextColor();
}

void installCommands(const std::string& logDirectory, int instance) {
  logs::configure(logDirectory, instance);
  Hooks& h = hooks();
  h.command = command;
  h.logState = logs::state;
  h.log = logs::write;
  h.closed = logs::windowClosed;
  shell().closeLogs = logs::closeAll;
}

}  // namespace rozoru::textwin
