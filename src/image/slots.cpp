#include "image/slots.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "image/zoom.h"
#include "imgproc/scale.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"

ImageSlot kav_image[KAV_MAX_IMAGES];
Pixel32* KAV_ImagePixels[KAV_MAX_IMAGES] = {};
std::uint8_t* KAV_ImageBytes[KAV_MAX_IMAGES] = {};
int kav_mousetracking = 0;
KAV_MouseState kav_mouse;

namespace rozoru {

namespace {

// What a slot owns besides its public record.
struct SlotStore {
  std::vector<std::uint32_t> pixels;   // the pixel memory; kept after destruction until re-creation,
                                       // so a stale pointer in the tables never points at freed memory
  std::array<std::uint32_t, 256> colors{};
  std::vector<std::uint32_t> display;  // scaled or expanded picture for the screen
};

SlotStore g_store[KAV_MAX_IMAGES];
int g_current = 0;
std::array<int, 8> g_history{};

// Image windows in slot order, for the snap table, which other threads rebuild.
std::mutex g_windowsMutex;
std::array<Hwnd, KAV_MAX_IMAGES> g_windows{};

bool valid(int id) { return static_cast<unsigned>(id) < static_cast<unsigned>(KAV_MAX_IMAGES); }
bool inUse(int id) { return valid(id) && kav_image[id].inUse != 0; }

void publishWindow(int id, Hwnd h) {
  std::lock_guard lock(g_windowsMutex);
  g_windows[static_cast<std::size_t>(id)] = h;
}

WindowSystem* ws() { return shell().windowSystem(); }

MessageQueue& ownerQueue() {
  Pump* p = currentPump();
  return p ? p->queue() : shell().workerPump().queue();
}

void greyRamp(std::array<std::uint32_t, 256>& t) {
  for (std::uint32_t i = 0; i < 256; ++i) t[i] = (i << 16) | (i << 8) | i;
}

// Largest pixel memory of one image: offsets into it are int arithmetic in
// applications (y * width + x), so every byte must be reachable with an int.
constexpr std::size_t kMaxPixelBytes = 0x7FFFFFFF;

// A black (or index 0) picture of w x h at the depth, as 32-bit words; false
// when it is too large or there is no memory for it.
bool blackPixels(int w, int h, int bits, std::vector<std::uint32_t>& out) {
  const std::size_t rowBytes = bits == 32 ? static_cast<std::size_t>(w) * 4 : static_cast<std::size_t>(KAV_Stride8(w));
  if (rowBytes > kMaxPixelBytes / static_cast<std::size_t>(h)) return false;
  try {
    out.assign((rowBytes * static_cast<std::size_t>(h) + 3) / 4, 0u);
  } catch (const std::exception&) {  // bad_alloc, or a length the vector refuses
    return false;
  }
  return true;
}

void publishPixels(int id) {
  KAV_ImagePixels[id] = g_store[id].pixels.data();
  KAV_ImageBytes[id] = reinterpret_cast<std::uint8_t*>(g_store[id].pixels.data());
}

int create(int id, const char* title, int x, int y, int width, int height, int zoom, int bits) {
  if (!valid(id)) return 4;
  ImageSlot& s = kav_image[id];
  if (s.inUse) return 1;
  if (bits != 8 && bits != 32) return 3;
  const int w = std::max(1, width), h = std::max(1, height);
  const ZoomFit fit = fitZoom(w, h, zoom, zoomScreen());
  if (!fit.ok) return 2;
  // The slot's old memory stays until the window exists: a failed creation
  // leaves the pixel tables pointing where they did.
  std::vector<std::uint32_t> fresh;
  if (!blackPixels(w, h, bits, fresh)) return 3;

  const std::string caption = imageCaption(title ? title : "", fit.zoom, bits, 3);
  const Hwnd hwnd = windowTable().add(&ownerQueue(), "kav_iw", [](const Message& m) { return imageWindowProc(m.hwnd, m); });
  CreateParams p;
  p.className = "kav_iw";
  p.title = caption;
  p.x = x;
  p.y = y;
  p.clientWidth = fit.displayWidth;
  p.clientHeight = fit.displayHeight;
  p.style = WindowStyle{true, true, false, true};
  if (ws() && !ws()->create(hwnd, p)) {
    windowTable().remove(hwnd);
    return 3;
  }

  SlotStore& store = g_store[id];
  store.pixels.swap(fresh);
  store.display.clear();
  greyRamp(store.colors);
  s.bitDepth = bits;
  s.width = w;
  s.height = h;
  s.zoom = fit.zoom;
  s.displayWidth = fit.displayWidth;
  s.displayHeight = fit.displayHeight;
  s.stretchMode = 3;
  s.title = title ? title : "";
  s.window = hwnd;
  publishPixels(id);
  s.inUse = 1;
  publishWindow(id, hwnd);
  if (ws()) {
    // Shown without taking the keyboard from the window the user types in.
    ws()->show(hwnd);
    KAV_UpdateImage(id);
  }
  shell().rebuildSnapTable();
  KAV_SelectImage(id);
  return 0;
}

}  // namespace

ZoomScreen zoomScreen() {
  const ScreenMetrics m = ws() ? ws()->metrics() : ScreenMetrics{};
  return ZoomScreen{m.screenWidth, m.screenHeight - m.captionHeight, m.minClientWidth, m.minClientHeight};
}

void invalidateImage(int id) {
  if (inUse(id)) windowTable().post(Message{kav_image[id].window, Msg::Paint, 0, 0, 0, {}});
}

void refreshCaption(int id) {
  if (!inUse(id) || !ws()) return;
  const ImageSlot& s = kav_image[id];
  ws()->setCaption(s.window, imageCaption(s.title, s.zoom, s.bitDepth, s.stretchMode));
}

void installImageSlots() {
  Shell& sh = shell();
  sh.setRequestHandler(req::CreateImage, [](const Request& r) {
    return r.bits == 8 ? KAV_CreateImage8(r.index, r.name.c_str(), r.x, r.y, r.width, r.height, r.zoom)
                       : KAV_CreateImage(r.index, r.name.c_str(), r.x, r.y, r.width, r.height, r.zoom);
  });
  sh.setRequestHandler(req::UpdateImage, [](const Request& r) { return KAV_UpdateImage(r.index); });
  // The current image belongs to the worker: the GUI's drops restore it there.
  sh.restoreImage = [] {
    Request r;
    r.code = req::Call;
    r.call = [] { return KAV_RestoreImage(); };
    shell().sendRequest(r);
  };
  sh.addSnapSource([](std::vector<Rect>& rects) {
    std::array<Hwnd, KAV_MAX_IMAGES> windows;
    {
      std::lock_guard lock(g_windowsMutex);
      windows = g_windows;
    }
    WindowSystem* w = shell().windowSystem();
    if (!w) return;
    for (Hwnd h : windows)
      if (h) rects.push_back(w->frameRect(h));
  });
}

ImageFileHooks& imageFileHooks() {
  static ImageFileHooks hooks;
  return hooks;
}

void releaseAllImages() {
  for (int id = 0; id < KAV_MAX_IMAGES; ++id) {
    if (inUse(id)) KAV_DestroyImage(id);
    g_store[id] = SlotStore{};
    KAV_ImagePixels[id] = nullptr;
    KAV_ImageBytes[id] = nullptr;
  }
  g_current = 0;
  g_history.fill(0);
}

}  // namespace rozoru

using namespace rozoru;

int KAV_CreateImage(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return create(id, title, x, y, width, height, zoom, 32);
}

int KAV_CreateImage8(int id, const char* title, int x, int y, int width, int height, int zoom) {
  return create(id, title, x, y, width, height, zoom, 8);
}

int KAV_DestroyImage(int id) {
  if (!inUse(id)) return 1;
  ImageSlot& s = kav_image[id];
  s.inUse = 0;
  publishWindow(id, 0);
  const Hwnd h = s.window;
  s.window = 0;
  s.title.clear();
  windowTable().remove(h);
  if (ws()) ws()->destroy(h);
  shell().rebuildSnapTable();
  return 0;
}

// The same window takes the new size: on a desktop a new window would be
// placed and focused anew by the window manager. Nothing changes when the
// new size has no zoom that fits or no memory.
int KAV_ResizeImage(int id, int width, int height) {
  if (!inUse(id)) return 1;
  ImageSlot& s = kav_image[id];
  const int w = std::max(1, width), h = std::max(1, height);
  const ZoomFit fit = fitZoom(w, h, s.zoom, zoomScreen());
  if (!fit.ok) return 2;
  std::vector<std::uint32_t> fresh;
  if (!blackPixels(w, h, s.bitDepth, fresh)) return 3;

  SlotStore& store = g_store[id];
  store.pixels.swap(fresh);
  store.display.clear();
  s.width = w;
  s.height = h;
  s.zoom = fit.zoom;
  s.displayWidth = fit.displayWidth;
  s.displayHeight = fit.displayHeight;
  publishPixels(id);
  if (ws()) ws()->setClientSize(s.window, s.displayWidth, s.displayHeight);
  refreshCaption(id);
  KAV_UpdateImage(id);
  shell().rebuildSnapTable();
  KAV_SelectImage(id);
  return 0;
}

int KAV_UpdateImage(int id) {
  if (!inUse(id)) return 1;
  if (!ws()) return 0;
  ImageSlot& s = kav_image[id];
  SlotStore& store = g_store[id];
  const std::uint32_t* picture = store.pixels.data();
  int stride = s.width;
  std::vector<std::uint32_t> expanded;
  if (s.bitDepth == 8) {
    expanded.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
    // A slot's stride fits in int: its bitmap is at most 2^31 - 1 bytes.
    expandIndexed(reinterpret_cast<const std::uint8_t*>(store.pixels.data()), s.width, s.height,
                  static_cast<int>(KAV_Stride8(s.width)),
                  store.colors.data(), expanded.data(), s.width);
    picture = expanded.data();
  }
  if (s.displayWidth == s.width && s.displayHeight == s.height) {
    ws()->present(s.window, picture, s.width, s.height, stride);
    return 0;
  }
  store.display.resize(static_cast<std::size_t>(s.displayWidth) * static_cast<std::size_t>(s.displayHeight));
  if (s.stretchMode == 4)
    scaleSmooth(picture, s.width, s.height, stride, store.display.data(), s.displayWidth, s.displayHeight, s.displayWidth);
  else
    scaleNearest(picture, s.width, s.height, stride, store.display.data(), s.displayWidth, s.displayHeight, s.displayWidth);
  ws()->present(s.window, store.display.data(), s.displayWidth, s.displayHeight, s.displayWidth);
  return 0;
}

int KAV_SelectImage(int id) {
  if (!inUse(id)) return 1;
  for (std::size_t i = g_history.size() - 1; i > 0; --i) g_history[i] = g_history[i - 1];
  g_history[0] = g_current;
  g_current = id;
  return 0;
}

int KAV_RestoreImage() {
  if (!inUse(g_history[0])) return 1;
  g_current = g_history[0];
  for (std::size_t i = 0; i + 1 < g_history.size(); ++i) g_history[i] = g_history[i + 1];
  return 0;
}

int KAV_CurrentImage() { return g_current; }

int KAV_FindImage(std::uint32_t window) {
  if (window == 0) return -1;
  for (int id = 0; id < KAV_MAX_IMAGES; ++id)
    if (kav_image[id].inUse && kav_image[id].window == window) return id;
  return -1;
}

int KAV_FindAndSelectImage(std::uint32_t window) {
  const int id = KAV_FindImage(window);
  if (id >= 0) KAV_SelectImage(id);
  return id;
}

namespace rozoru {

int setSlotColours(int id, const std::uint32_t* entries, int count) {
  if (!inUse(id)) return 1;
  if (kav_image[id].bitDepth != 8) return 2;
  const int n = std::clamp(count, 0, 256);
  for (int i = 0; i < n; ++i) g_store[id].colors[static_cast<std::size_t>(i)] = entries[i] & 0x00FFFFFFu;
  invalidateImage(id);
  return 0;
}

int slotColours(int id, std::uint32_t* entries256) {
  if (!inUse(id)) return 1;
  if (kav_image[id].bitDepth != 8) return 2;
  std::memcpy(entries256, g_store[id].colors.data(), 256 * sizeof(std::uint32_t));
  return 0;
}

}  // namespace rozoru

int KAV_SetColorTable(const std::uint32_t* entries, int count) { return setSlotColours(g_current, entries, count); }

int KAV_GetColorTable(std::uint32_t* entries256) { return slotColours(g_current, entries256); }

void KAV_GetImageArea(void* destination, int x0, int y0, int w, int h) {
  if (!inUse(g_current) || w <= 0 || h <= 0) return;
  const ImageSlot& s = kav_image[g_current];
  const auto inside = [&s](int x, int y) {
    return static_cast<unsigned>(x) < static_cast<unsigned>(s.width) && static_cast<unsigned>(y) < static_cast<unsigned>(s.height);
  };
  if (s.bitDepth == 32) {
    auto* out = static_cast<std::uint32_t*>(destination);
    const std::uint32_t* px = KAV_ImagePixels[g_current];
    for (int i = 0; i < h; ++i)
      for (int j = 0; j < w; ++j)
        out[static_cast<std::ptrdiff_t>(i) * w + j] =
            inside(x0 + j, y0 + i) ? px[static_cast<std::ptrdiff_t>(y0 + i) * s.width + (x0 + j)] : 0u;
  } else {
    auto* out = static_cast<std::uint8_t*>(destination);
    const std::uint8_t* px = KAV_ImageBytes[g_current];
    const std::ptrdiff_t stride = KAV_Stride8(s.width);
    for (int i = 0; i < h; ++i)
      for (int j = 0; j < w; ++j)
        out[static_cast<std::ptrdiff_t>(i) * w + j] =
            inside(x0 + j, y0 + i) ? px[static_cast<std::ptrdiff_t>(y0 + i) * stride + (x0 + j)] : std::uint8_t{0};
  }
}

void KAV_PutFrame(const Pixel32* frame, unsigned offset) {
  const int id = KAV_CurrentImage();
  if (!inUse(id) || !frame) return;
  const ImageSlot& s = kav_image[id];
  const unsigned w = static_cast<unsigned>(s.width), h = static_cast<unsigned>(s.height);
  for (unsigned y = 0; y < 240 && y < h; ++y) {
    for (unsigned x = 0; x < 320; ++x) {
      if (offset + x >= w || offset + x < offset) break;  // the second test catches a wrapped offset
      if (s.bitDepth == 32)
        KAV_ImagePixels[id][y * w + offset + x] = frame[y * 320 + x];
      else
        KAV_ImageBytes[id][static_cast<std::ptrdiff_t>(y) * KAV_Stride8(s.width) + offset + x] =
            reinterpret_cast<const std::uint8_t*>(frame)[y * 320 + x];
    }
  }
}

int KAV_CreateImageInFreeSlot(const char* title, int x, int y, int width, int height, int zoom, int bits) {
  for (int id = 0; id < KAV_MAX_IMAGES; ++id)
    if (create(id, title, x, y, width, height, zoom, bits) == 0) return id;
  return -1;
}

int KAV_SetZoom(int id, int zoom) {
  if (!inUse(id)) return 1;
  ImageSlot& s = kav_image[id];
  s.inUse = 0;  // a repaint in between draws nothing
  const ZoomFit fit = fitZoom(s.width, s.height, zoom, zoomScreen());
  if (!fit.ok) {
    s.inUse = 1;
    return 2;
  }
  s.zoom = fit.zoom;
  s.displayWidth = fit.displayWidth;
  s.displayHeight = fit.displayHeight;
  if (ws()) ws()->setClientSize(s.window, s.displayWidth, s.displayHeight);
  s.inUse = 1;
  invalidateImage(id);
  refreshCaption(id);
  shell().rebuildSnapTable();
  return 0;
}

int KAV_ZoomIn(int id) { return inUse(id) ? KAV_SetZoom(id, zoomStepIn(kav_image[id].zoom)) : 1; }
int KAV_ZoomOut(int id) { return inUse(id) ? KAV_SetZoom(id, zoomStepOut(kav_image[id].zoom)) : 1; }

int KAV_SetStretchMode(int id, int mode) {
  if (!inUse(id)) return 1;
  if (mode == 3 || mode == 4) kav_image[id].stretchMode = mode;
  invalidateImage(id);
  refreshCaption(id);
  return 0;
}

int KAV_GetStretchMode(int id) { return inUse(id) ? kav_image[id].stretchMode : 0; }
