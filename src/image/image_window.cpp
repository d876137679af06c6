// What an image window does with mouse, keys and commands.
#include <array>

#include "boxes/box_layout.h"
#include "boxes/buttons.h"
#include "image/image_commands.h"
#include "image/picks.h"
#include "image/slots.h"
#include "image/zoom.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"

namespace rozoru {

namespace {

void postCommand(Hwnd h, int command) { windowTable().post(Message{h, Msg::Command, command, 0, 0, {}}); }

void onKey(int id, Hwnd h, const Message& m) {
  const int k = static_cast<int>(m.wparam);
  // Keys that stand for buttons of the button box, with or without Ctrl or Shift.
  if (const int button = boxes::buttonForKey(k); button >= 0) {
    pressButtonByKey(button);
    return;
  }
  if (picks::active()) return;  // a pick ignores every other key
  if (m.ctrl()) {
    switch (k) {
      case 'C':
        return postCommand(h, imgcmd::Copy);
      case 'V':
        return postCommand(h, imgcmd::PasteAtOrigin);
      case 'R':
        return postCommand(h, imgcmd::Clipping);
      case key::Add:
        KAV_ZoomIn(id);
        return;
      case key::Subtract:
        KAV_ZoomOut(id);
        return;
      case key::NumPad0:
        KAV_SetZoom(id, 100);
        return;
      default:
        break;
    }
  }
  if (k == key::Escape || k == 'C') {
    windowTable().post(Message{shell().mainWindow(), Msg::KeyDown, k, 0, m.modifiers, {}});
  } else if (k == key::Tab) {
    KAV_SetStretchMode(id, KAV_GetStretchMode(id) == 3 ? 4 : 3);
  }
}

void trackMouse(int id, const Message& m) {
  if (kav_mousetracking != 1) return;
  const int zoom = kav_image[id].zoom;
  kav_mouse.image = id;
  kav_mouse.x = clientToImage(unpackX(m.lparam), zoom);
  kav_mouse.y = clientToImage(unpackY(m.lparam), zoom);
  kav_mouse.left = (m.wparam & mouse::Left) ? 1 : 0;
  kav_mouse.middle = (m.wparam & mouse::Middle) ? 16 : 0;
  kav_mouse.ctrl = m.ctrl() ? 8 : 0;
  kav_mouse.shift = m.shift() ? 4 : 0;
}

void openMenu(int id, Hwnd h, bool processing) {
  if (shell().lineInputWaiting && shell().lineInputWaiting()) return;
  WindowSystem* w = shell().windowSystem();
  if (!w) return;
  w->popupMenu(h, processing ? processingMenu(kav_image[id].bitDepth) : imageWindowMenu(kav_image[id].zoom));
}

MenuItem item(const char* text, int id) { return MenuItem{text, id, false, true, false, {}}; }
MenuItem separator() { return MenuItem{"", 0, true, true, false, {}}; }
MenuItem submenu(const char* text, std::vector<MenuItem> items) { return MenuItem{text, 0, false, true, false, std::move(items)}; }

}  // namespace

std::vector<MenuItem> imageWindowMenu(int zoom) {
  MenuItem z50 = item("Zoom: 50%", imgcmd::Zoom50), z100 = item("Zoom:100%\tCtrl+0", imgcmd::Zoom100),
           z200 = item("Zoom:200%", imgcmd::Zoom200);
  z50.checked = zoom == 50;
  z100.checked = zoom == 100;
  z200.checked = zoom == 200;
  return {item("Cut\tCtrl+X", imgcmd::Cut),
          item("Copy\tCtrl+C", imgcmd::Copy),
          item("Paste\tCtrl+V", imgcmd::Paste),
          separator(),
          item("&Load image file", imgcmd::Load),
          item("&Save as", imgcmd::SaveAs),
          separator(),
          z50,
          z100,
          z200,
          item("&Zoom...", imgcmd::ZoomPrompt),
          separator(),
          item("&Resize...", imgcmd::ResizePrompt),
          item("&Destroy\tCtrl+Q", imgcmd::Destroy)};
}

std::vector<MenuItem> processingMenu(int bitDepth) {
  std::vector<MenuItem> information =
      bitDepth == 8 ? std::vector<MenuItem>{item("Pixel", 1015), item("Line(Lumi)", 1070)}
                    : std::vector<MenuItem>{item("Pixel", 1015),      item("Line(RGB)", 1016), item("Line(HSV)", 1017),
                                            item("Line(YCrCb)", 1018), item("Line(CrCb)", 1021), separator(),
                                            item("Area(CrCb)", 1022)};
  return {submenu("Process...", {item("Invert", 1058), separator(), item("R. Rotate", 1061), item("L. Rotate", 1062),
                                 separator(), item("Horz. Flip", 1059), item("Vert. Flip", 1060), separator(),
                                 item("Size 50.0%", 1063), item("Size 70.7%", 1064), item("Size 141.4%", 1065),
                                 item("Size 200.0%", 1066)}),
          separator(),
          submenu("Information...", std::move(information)),
          separator(),
          submenu("Test Pattern...", {item("RGB", 1053), item("HSV", 1054), item("YCrCb", 1055), item("Yuv", 1067),
                                      item("YIQ", 1068), item("Grey", 1071)}),
          separator(),
          item("Clipping\tCtrl+R", imgcmd::Clipping),
          separator(),
          submenu("Color...", {item("Change", 1031), item("Pick", 1052)}),
          submenu("Draw Line...", {item("Normal", 1032), item("Horz.", 1034), item("Vert.", 1035)}),
          submenu("Draw Box...", {item("Normal", 1036), item("Fill", 1037), item("Fill XOR", 1038)}),
          submenu("Draw Circle...", {item("Normal", 1039), item("Fill", 1040), item("Fill XOR", 1041)}),
          submenu("TrueType...", {item("Draw", 1048), item("Font Change", 1049)}),
          item("Draw Text", 1042),
          item("Paint", 1043)};
}

std::int64_t imageWindowProc(Hwnd h, const Message& m) {
  const int id = KAV_FindImage(h);
  if (m.type == Msg::Move) {
    shell().rebuildSnapTable();
    return 0;
  }
  if (id < 0) return 0;  // the slot was destroyed; its window is going
  switch (m.type) {
    case Msg::Paint:
      KAV_UpdateImage(id);
      break;
    case Msg::Close:
      KAV_DestroyImage(id);
      break;
    case Msg::KeyDown:
      onKey(id, h, m);
      break;
    case Msg::Command:
      runImageCommand(id, static_cast<int>(m.wparam));
      break;
    case Msg::MouseMove:
    case Msg::LButtonDown:
      trackMouse(id, m);
      picks::route(id, kav_image[id].zoom, m);
      break;
    case Msg::MButtonDown:
      trackMouse(id, m);
      if (!picks::route(id, kav_image[id].zoom, m)) openMenu(id, h, true);
      break;
    case Msg::RButtonDown:
      if (!picks::route(id, kav_image[id].zoom, m)) openMenu(id, h, m.ctrl());
      break;
    case Msg::DropFiles:
      // A file loaded under a running pick's XOR figure would keep its trace.
      if (m.payload && !picks::active()) {
        const auto* files = static_cast<const DroppedFiles*>(m.payload.get());
        if (!files->paths.empty() && imageFileHooks().loadDropped)
          imageFileHooks().loadDropped(id, files->paths.front());
      }
      break;
    case Msg::MouseWheel:
      if (m.ctrl()) {
        if (m.wparam < 0)
          KAV_ZoomIn(id);
        else if (m.wparam > 0)
          KAV_ZoomOut(id);
      }
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace rozoru
