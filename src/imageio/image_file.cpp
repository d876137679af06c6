#include "imageio/image_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <exception>
#include <mutex>

#include "image/slots.h"
#include "rozoru/image.h"
#include "rozoru/imagefile.h"
#include "shell/core/event_log.h"
#include "shell/core/shell.h"

int KAV_JpegQuality = 100;

namespace rozoru::imageio {

namespace {

std::mutex g_mutex;
std::shared_ptr<Codec> g_codec;
std::shared_ptr<FileDialogs> g_dialogs;

bool currentInUse() {
  const int id = KAV_CurrentImage();
  return static_cast<unsigned>(id) < static_cast<unsigned>(KAV_MAX_IMAGES) && kav_image[id].inUse;
}

std::uint32_t blend(std::uint32_t src, std::uint32_t dst) {
  const std::uint32_t a = src >> 24;
  if (a == 255) return src & 0x00FFFFFFu;
  if (a == 0) return dst & 0x00FFFFFFu;
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
    out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

void setCodec(std::shared_ptr<Codec> c) {
  std::lock_guard lock(g_mutex);
  g_codec = std::move(c);
}

std::shared_ptr<Codec> codec() {
  std::lock_guard lock(g_mutex);
  return g_codec;
}

void setFileDialogs(std::shared_ptr<FileDialogs> dialogs) {
  std::lock_guard lock(g_mutex);
  g_dialogs = std::move(dialogs);
}

const char* mimeType(int format) {
  static constexpr std::array<const char*, 5> kMime = {"image/bmp", "image/jpeg", "image/gif", "image/png", "image/tiff"};
  return static_cast<unsigned>(format) < kMime.size() ? kMime[static_cast<std::size_t>(format)] : "";
}

const char* extension(int format) {
  static constexpr std::array<const char*, 5> kExt = {".bmp", ".jpg", ".gif", ".png", ".tif"};
  return static_cast<unsigned>(format) < kExt.size() ? kExt[static_cast<std::size_t>(format)] : "";
}

std::string withExtension(const std::string& name, int format) {
  const std::string ext = extension(format);
  if (name.size() >= 4) {
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ext) return name;
  }
  return name + ext;
}

int nearestIndex(const std::uint32_t* table, std::uint32_t rgb) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 256; ++i) {
    long d = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const long diff = static_cast<long>((table[i] >> shift) & 0xFF) - static_cast<long>((rgb >> shift) & 0xFF);
      d += diff * diff;
    }
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
      if (d == 0) break;
    }
  }
  return best;
}

std::optional<Inside> insideSlot(int id, int x, int y, int width, int height) {
  const ImageSlot& s = kav_image[id];
  const Inside in{std::max(0, x), std::max(0, y), static_cast<int>(std::min<long>(s.width, static_cast<long>(x) + width)),
                  static_cast<int>(std::min<long>(s.height, static_cast<long>(y) + height))};
  if (in.x0 >= in.x1 || in.y0 >= in.y1) return std::nullopt;
  return in;
}

NearestEntries::NearestEntries(int id) { slotColours(id, table_); }

std::uint8_t NearestEntries::operator()(std::uint32_t rgb) {
  auto [it, fresh] = found_.try_emplace(rgb, std::uint8_t{0});
  if (fresh) it->second = static_cast<std::uint8_t>(nearestIndex(table_, rgb));
  return it->second;
}

void drawPicture(int id, const Picture& p, int x, int y) {
  const ImageSlot& s = kav_image[id];
  const auto in = insideSlot(id, x, y, p.width, p.height);
  if (!in) return;
  const auto source = [&p, x, y](int ix, int iy) {
    return p.argb[static_cast<std::ptrdiff_t>(iy - y) * p.stride + (ix - x)];
  };
  if (s.bitDepth == 32) {
    Pixel32* px = KAV_ImagePixels[id];
    for (int iy = in->y0; iy < in->y1; ++iy)
      for (int ix = in->x0; ix < in->x1; ++ix) {
        Pixel32& d = px[static_cast<std::ptrdiff_t>(iy) * s.width + ix];
        d = blend(source(ix, iy), d);
      }
    return;
  }
  NearestEntries nearest(id);
  std::uint8_t* bytes = KAV_ImageBytes[id];
  const std::ptrdiff_t stride = KAV_Stride8(s.width);
  for (int iy = in->y0; iy < in->y1; ++iy)
    for (int ix = in->x0; ix < in->x1; ++ix) {
      std::uint8_t& d = bytes[iy * stride + ix];
      d = nearest(blend(source(ix, iy), nearest.colour(d)));
    }
}

const std::vector<Filter>& openFilters() {
  static const std::vector<Filter> filters = {
      {"All Files (*.*)", "*.*", ""},
      {"BMP (*.BMP;*.RLE;*.DIB)", "*.BMP;*.RLE;*.DIB", "bmp"},
      {"JPEG (*.JPG;*.JPEG;*.JPE)", "*.JPG;*.JPEG;*.JPE", "jpeg"},
      {"CompuServe GIF (*.GIF)", "*.GIF", "gif"},
      {"PNG (*.PNG)", "*.PNG", "png"},
      {"TIFF (*.TIF;*.TIFF)", "*.TIF;*.TIFF", "tiff"},
      {"WMF (*.WMF)", "*.WMF", nullptr},
      {"EMF (*.EMF)", "*.EMF", nullptr},
      {"ICO (*.ICO)", "*.ICO", "ico"},
  };
  return filters;
}

std::vector<int> offeredOpenFilters(bool (*hasReader)(const char* format)) {
  std::vector<int> out;
  const std::vector<Filter>& all = openFilters();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].format && (*all[i].format == '\0' || hasReader(all[i].format))) out.push_back(static_cast<int>(i) + 1);
  return out;
}

DialogMemory& dialogMemory() {
  static DialogMemory memory;
  return memory;
}

int formatForSaveFilter(int filter) {
  switch (filter) {
    case 3:
      return 1;
    case 4:
      return 2;
    case 5:
      return 3;
    case 6:
      return 4;
    default:
      return 0;
  }
}

void loadWithDialog(int id) {
  std::shared_ptr<FileDialogs> dialogs;
  {
    std::lock_guard lock(g_mutex);
    dialogs = g_dialogs;
  }
  if (!dialogs || KAV_FindAndSelectImage(kav_image[id].window) < 0) return;
  if (const auto path = dialogs->open()) {
    KAV_LoadImage(path->c_str(), 0, 0);
    invalidateImage(id);
  }
}

void saveWithDialog(int id) {
  std::shared_ptr<FileDialogs> dialogs;
  {
    std::lock_guard lock(g_mutex);
    dialogs = g_dialogs;
  }
  if (!dialogs || KAV_FindAndSelectImage(kav_image[id].window) < 0) return;
  const auto path = dialogs->save();
  if (!path) return;
  const int format = formatForSaveFilter(dialogMemory().saveFilter);
  const int previous = KAV_JpegQuality;
  if (format == 1) KAV_JpegQuality = 100;
  KAV_SaveImage(kav_image[id].width, kav_image[id].height, format, path->c_str());
  KAV_JpegQuality = previous;
}

void loadDropped(int id, const std::string& path) {
  if (KAV_SelectImage(id) != 0) return;
  KAV_LoadImage(path.c_str(), 0, 0);
  invalidateImage(id);
  KAV_RestoreImage();
  if (WindowSystem* ws = shell().windowSystem()) ws->setForeground(kav_image[id].window);
}

void installImageFiles() {
  imageFileHooks() = {loadWithDialog, saveWithDialog, loadDropped};
  shell().setRequestHandler(req::LoadImage, [](const Request& r) {
    KAV_SelectImage(r.index);
    const int result = KAV_LoadImage(r.fileName.c_str(), r.x, r.y);
    KAV_RestoreImage();
    return result;
  });
}

}  // namespace rozoru::imageio

using namespace rozoru;
using namespace rozoru::imageio;

int KAV_LoadImage(const char* file, int x, int y) {
  if (!currentInUse()) return 2;
  const std::shared_ptr<Codec> c = codec();
  if (!c || !file) return 1;
  std::optional<Picture> p;
  try {
    const std::optional<Bytes> bytes = readFile(file);
    if (bytes) p = c->decode(*bytes);
  } catch (const std::exception&) {  // bad_alloc, or a length a container refuses
    return 1;
  }
  if (!p || p->width <= 0 || p->height <= 0 || !p->argb || p->stride < p->width) return 1;
  const int id = KAV_CurrentImage();
  if (kav_image[id].bitDepth == 8 && !p->palette.empty()) {
    const int n = static_cast<int>(std::min<std::size_t>(p->palette.size(), 256));
    KAV_SetColorTable(p->palette.data(), n);
  }
  drawPicture(id, *p, x, y);
  return 0;
}

int KAV_SaveImage(int width, int height, int format, const char* file) {
  if (!currentInUse()) return 3;
  if (width == 0 || height == 0) return 2;
  if (width < 0 || height < 0 || !file || static_cast<unsigned>(format) > 4u) return 1;
  const std::shared_ptr<Codec> c = codec();
  if (!c) return 1;
  const std::string mime = mimeType(format);
  std::optional<Encoder> encoder;
  for (const Encoder& e : c->encoders())
    if (e.mimeType == mime) {
      encoder = e;
      break;
    }
  if (!encoder) return 1;

  const ImageSlot& s = kav_image[KAV_CurrentImage()];
  EncodeSource src;
  src.width = width;
  src.height = height;
  src.quality = KAV_JpegQuality;
  std::vector<std::uint32_t> rgb;
  std::vector<std::uint8_t> rows;
  std::uint32_t table[256];
  Bytes bytes;
  try {
    if (s.bitDepth == 32) {
      rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
      KAV_GetImageArea(rgb.data(), 0, 0, width, height);
      src.rgb = rgb.data();
    } else {
      // The area arrives packed; the encoder gets rows at the bitmap stride.
      const std::ptrdiff_t stride = KAV_Stride8(width);
      if (stride > INT_MAX) return 1;
      std::vector<std::uint8_t> packed(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
      KAV_GetImageArea(packed.data(), 0, 0, width, height);
      rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
      for (int y = 0; y < height; ++y)
        std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(y) * width, width, rows.begin() + y * stride);
      KAV_GetColorTable(table);
      src.indices = rows.data();
      src.stride = static_cast<int>(stride);
      src.palette = table;
      src.dotsPerMeter = 2834;
    }
    // The whole file is made in memory first, where every encoder error
    // shows, and only then replaces what is on disk.
    if (!encoder->encode(src, bytes)) return 1;
  } catch (const std::exception&) {  // bad_alloc, or a length a container refuses
    return 1;
  }
  // The pixels' copy is not needed while the file is written.
  std::vector<std::uint32_t>().swap(rgb);
  std::vector<std::uint8_t>().swap(rows);
  const std::string why = replaceFile(withExtension(file, format), bytes);
  if (why.empty()) return 0;
  logEvent("picture not saved: " + why);
  return 1;
}
