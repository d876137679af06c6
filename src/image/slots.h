// Image slots inside the framework: the slot table's private side, the
// window procedure of image windows and the subsystem's installation.
// Thread-bound to the worker thread unless marked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rozoru/image.h"
#include "shell/core/message.h"
#include "shell/core/window_system.h"

namespace rozoru {

// Registers the request handlers (create, repaint) and the snap source.
void installImageSlots();

// The four screen quantities of the zoom fitting, from the window system.
struct ZoomScreen;
ZoomScreen zoomScreen();

// Schedules a repaint of slot id at the window's next dispatch.
void invalidateImage(int id);
// The colour table of slot id, without making it current: 0 done, 1 not in
// use, 2 not an 8-bit image (as KAV_GetColorTable and KAV_SetColorTable).
int slotColours(int id, std::uint32_t* entries256);
int setSlotColours(int id, const std::uint32_t* entries, int count);
// Sets the caption from title, zoom, depth and stretch mode.
void refreshCaption(int id);

// The image window's procedure (runs on the worker when it dispatches).
std::int64_t imageWindowProc(Hwnd h, const Message& m);

// The two popup menus of an image window.
std::vector<MenuItem> imageWindowMenu(int zoom);
std::vector<MenuItem> processingMenu(int bitDepth);

// Image window commands (menus and keys).
namespace imgcmd {
inline constexpr int Load = 1004;
inline constexpr int Destroy = 1005;
inline constexpr int Zoom50 = 1007;
inline constexpr int Zoom100 = 1008;
inline constexpr int Zoom200 = 1009;
inline constexpr int SaveAs = 1010;
inline constexpr int Cut = 1011;
inline constexpr int Copy = 1012;
inline constexpr int Paste = 1013;
inline constexpr int PasteAtOrigin = 1014;
inline constexpr int Clipping = 1019;
inline constexpr int ZoomPrompt = 1046;
inline constexpr int ResizePrompt = 1047;
}  // namespace imgcmd

// Frees every slot's memory (process end, tests).
void releaseAllImages();

// The image-file commands of image windows (Load, Save As, a dropped file).
// The image-file support installs them; image windows know no files.
struct ImageFileHooks {
  std::function<void(int id)> loadWithDialog;
  std::function<void(int id)> saveWithDialog;
  std::function<void(int id, const std::string& path)> loadDropped;
};
ImageFileHooks& imageFileHooks();

}  // namespace rozoru
