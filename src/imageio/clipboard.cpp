#include "imageio/clipboard.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "image/image_commands.h"
#include "image/slots.h"
#include "imageio/dib_block.h"
#include "imageio/image_file.h"
#include "rozoru/clipboard.h"
#include "rozoru/kav.h"
#include "rozoru/picks.h"
#include "shell/core/shell.h"

namespace rozoru::imageio {

namespace {

bool usable(int id) { return static_cast<unsigned>(id) < static_cast<unsigned>(KAV_MAX_IMAGES) && kav_image[id].inUse; }

// The image's formats: the BMP file, and a PNG when an encoder makes one.
// Throws std::bad_alloc.
std::vector<ClipboardEntry> formatsOf(int id) {
  const ImageSlot& s = kav_image[id];
  std::uint32_t table[256];
  EncodeSource source;
  source.width = s.width;
  source.height = s.height;
  if (s.bitDepth == 8) {
    slotColours(id, table);
    source.indices = KAV_ImageBytes[id];
    source.stride = static_cast<int>(KAV_Stride8(s.width));
    source.palette = table;
  } else {
    source.rgb = KAV_ImagePixels[id];
  }
  std::vector<ClipboardEntry> formats;
  formats.push_back({"image/bmp", bmpFileFromDib(buildDibBlock(source))});
  // Without a PNG the BMP still carries the picture.
  if (const auto c = codec())
    for (const Encoder& e : c->encoders())
      if (e.mimeType == "image/png") {
        Bytes png;
        if (e.encode(source, png)) formats.push_back({e.mimeType, std::move(png)});
      }
  return formats;
}

std::unique_ptr<KAV_Bitmap> fromDib(DibPicture&& p, std::uint32_t* table, int* count) {
  auto bitmap = std::make_unique<KAV_Bitmap>();
  bitmap->width = p.width;
  bitmap->height = p.height;
  bitmap->pixels = std::move(p.rgb);
  bitmap->indices = std::move(p.indices);
  if (table) std::copy_n(p.table.begin(), p.count, table);
  if (count) *count = p.count;
  return bitmap;
}

// A picture decoded from a file format, its transparency over black.
std::unique_ptr<KAV_Bitmap> fromPicture(const Picture& p) {
  auto bitmap = std::make_unique<KAV_Bitmap>();
  bitmap->width = p.width;
  bitmap->height = p.height;
  bitmap->pixels.reserve(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const std::uint32_t c = p.argb[static_cast<std::ptrdiff_t>(y) * p.stride + x], a = c >> 24;
      std::uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) out |= (((c >> shift) & 0xFF) * a + 127) / 255 << shift;
      bitmap->pixels.push_back(out);
    }
  return bitmap;
}

std::unique_ptr<KAV_Bitmap> readClipboard(WindowSystem& ws, std::uint32_t* table, int* count) {
  const std::vector<std::string> types = ws.clipboardTypes();
  const auto offers = [&types](const std::string& t) { return std::find(types.begin(), types.end(), t) != types.end(); };
  // A bitmap whose header does not hold up is said on stderr only: a paste
  // of no picture does nothing, silently.
  const auto refused = [](const char* type) {
    std::fprintf(stderr, "rozoru: the clipboard's %s is not a bitmap this program reads\n", type);
  };
  if (offers("image/bmp")) {
    const Bytes bytes = ws.clipboardData("image/bmp");
    if (auto p = readBmpFile(bytes.data(), bytes.size())) return fromDib(std::move(*p), table, count);
    refused("image/bmp");
  }
  if (offers(kDibMimeType)) {
    const Bytes bytes = ws.clipboardData(kDibMimeType);
    if (auto p = readDibBlock(bytes.data(), bytes.size())) return fromDib(std::move(*p), table, count);
    refused(kDibMimeType);
  }
  // Any other picture the codec decodes, PNG first; a BMP that failed the
  // checks above is not tried again.
  const auto c = codec();
  if (!c) return nullptr;
  std::vector<std::string> others;
  if (offers("image/png")) others.push_back("image/png");
  for (const std::string& t : types)
    if (t.starts_with("image/") && t != "image/png" && t != "image/bmp") others.push_back(t);
  for (const std::string& t : others)
    if (const auto p = c->decode(ws.clipboardData(t))) return fromPicture(*p);
  return nullptr;
}

// Copies the picture to (x, y) of slot id, clipped. Into an 8-bit image a
// picture whose table replaced the first count entries keeps its indices
// below count; other pixels take the nearest entry.
void drawBitmap(int id, const KAV_Bitmap& b, int x, int y, int count) {
  const ImageSlot& s = kav_image[id];
  const auto in = insideSlot(id, x, y, b.width, b.height);
  if (!in) return;
  const auto source = [&b, x, y](int ix, int iy) {
    return static_cast<std::size_t>(iy - y) * static_cast<std::size_t>(b.width) + static_cast<std::size_t>(ix - x);
  };
  if (s.bitDepth == 32) {
    for (int iy = in->y0; iy < in->y1; ++iy)
      std::copy_n(&b.pixels[source(in->x0, iy)], in->x1 - in->x0,
                  KAV_ImagePixels[id] + static_cast<std::ptrdiff_t>(iy) * s.width + in->x0);
    return;
  }
  const bool ownIndices = count > 0 && !b.indices.empty();
  NearestEntries nearest(id);
  const std::ptrdiff_t stride = KAV_Stride8(s.width);
  for (int iy = in->y0; iy < in->y1; ++iy)
    for (int ix = in->x0; ix < in->x1; ++ix) {
      const std::size_t at = source(ix, iy);
      KAV_ImageBytes[id][iy * stride + ix] =
          ownIndices && b.indices[at] < count ? b.indices[at] : nearest(b.pixels[at]);
    }
}

}  // namespace

void installClipboard() {
  ImageClipboardHooks& hooks = imageClipboardHooks();
  hooks.copy = [](int id) { return KAV_CopyToClipboard(id) == 0; };
  hooks.paste = KAV_PasteFromClipboard;
  // The request's bitmap is a KAV_Bitmap; the request keeps it alive. It
  // goes into the slot the request names: the image current when it runs
  // may no longer be the one just made (a menu command between the two
  // requests selects its own window's image).
  shell().setRequestHandler(req::DrawBitmap, [](const Request& r) {
    if (!r.bitmap) return 0;
    const auto& bitmap = *static_cast<const KAV_Bitmap*>(r.bitmap.get());
    if (usable(r.index))
      drawBitmap(r.index, bitmap, 0, 0, 0);
    else
      KAV_DrawPendingBitmap(bitmap);
    return 0;
  });
}

int pasteAsNewImage() {
  if (kav_running.load() != 0) return -1;
  const std::shared_ptr<KAV_Bitmap> bitmap = KAV_GetClipboardBitmap(nullptr, nullptr);
  if (!bitmap) return -1;
  for (int k = 0; k < KAV_MAX_IMAGES; ++k) {
    char title[8];
    std::snprintf(title, sizeof title, "%03d", k);
    Request create;
    create.code = req::CreateImage;
    create.index = k;
    create.name = title;
    create.width = bitmap->width;
    create.height = bitmap->height;
    create.bits = 32;
    const int made = shell().sendRequest(create);
    if (made == 1) continue;  // slot in use: the next one
    if (made != 0) {
      // Every slot would fail alike: say so once.
      char text[160];
      std::snprintf(text, sizeof text, "The clipboard's %d x %d picture cannot be shown: %s.", bitmap->width,
                    bitmap->height, made == 2 ? "no zoom fits the screen" : "not enough memory");
      std::fprintf(stderr, "rozoru: %s\n", text);
      if (WindowSystem* ws = shell().windowSystem()) ws->messageBox(0, text, "Paste", MessageBoxIcon::Warning);
      return -1;
    }
    Request draw;
    draw.code = req::DrawBitmap;
    draw.index = k;
    draw.bitmap = bitmap;
    shell().sendRequest(draw);
    Request redraw;
    redraw.code = req::UpdateImage;
    redraw.index = k;
    shell().sendRequest(redraw);
    if (shell().restoreImage) shell().restoreImage();
    return k;
  }
  return -1;
}

}  // namespace rozoru::imageio

using namespace rozoru;
using namespace rozoru::imageio;

int KAV_CopyToClipboard(int id) {
  WindowSystem* ws = shell().windowSystem();
  if (!usable(id) || !ws) return 1;
  try {
    return ws->setClipboard(formatsOf(id)) ? 0 : 1;
  } catch (const std::bad_alloc&) {
    // The clipboard is left empty, as it was emptied before the copy.
    ws->setClipboard({});
    std::fprintf(stderr, "rozoru: image %d: no memory to copy it to the clipboard\n", id);
    ws->messageBox(0, "No enough memory for copy", "Pause", MessageBoxIcon::None);
    return 1;
  }
}

std::unique_ptr<KAV_Bitmap> KAV_GetClipboardBitmap(std::uint32_t* table, int* count) {
  if (count) *count = 0;
  WindowSystem* ws = shell().windowSystem();
  if (!ws) return nullptr;
  try {
    return readClipboard(*ws, table, count);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "rozoru: no memory for the clipboard's picture\n");
    if (count) *count = 0;
    return nullptr;
  }
}

void KAV_PasteFromClipboard(int id, int x, int y) {
  if (!usable(id)) return;
  std::uint32_t table[256];
  int count = 0;
  const std::unique_ptr<KAV_Bitmap> bitmap = KAV_GetClipboardBitmap(table, &count);
  if (!bitmap) return;
  if (x == -1 || y == -1) {
    const Hwnd window = kav_image[id].window;
    int cx = 0, cy = 0;
    if (KAV_PickPlacement(id, bitmap->width, bitmap->height, &cx, &cy) != 0) return;
    // The window may have gone, or been made anew, while the user chose.
    if (!usable(id) || kav_image[id].window != window) return;
    x = cx - bitmap->width / 2;
    y = cy - bitmap->height / 2;
  }
  if (count > 0 && kav_image[id].bitDepth == 8) setSlotColours(id, table, count);
  drawBitmap(id, *bitmap, x, y, count);
  invalidateImage(id);
}

void KAV_DrawPendingBitmap(const KAV_Bitmap& bitmap) {
  const int id = KAV_CurrentImage();
  if (usable(id)) drawBitmap(id, bitmap, 0, 0, 0);
}
