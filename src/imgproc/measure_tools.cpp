// The measurement tools once their place is picked: the Pixel report in the
// text window, line profiles and chroma charts in new image windows.
#include <cstddef>
#include <vector>

#include "image/slots.h"
#include "imgproc/measure.h"
#include "rozoru/colour.h"
#include "rozoru/draw.h"
#include "rozoru/kav.h"
#include "rozoru/measure.h"
#include "textwin/textwin.h"

namespace rozoru::measure {
namespace {

const ImageSlot* currentSlot() {
  const int id = KAV_CurrentImage();
  if (static_cast<unsigned>(id) >= static_cast<unsigned>(KAV_MAX_IMAGES) || !kav_image[id].inUse) return nullptr;
  return &kav_image[id];
}

// The colours of a w x h area of the current image, 0 outside. An 8-bit
// image's indices are looked up in its colour table, so the colour tools
// measure what the window shows.
std::vector<Pixel32> colourArea(const ImageSlot& s, int x, int y, int w, int h) {
  std::vector<Pixel32> colours(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  if (s.bitDepth == 32) {
    if (h == 1 && x == 0)
      KAV_GetRowPixels(colours.data(), y, w);
    else
      KAV_GetImageArea(colours.data(), x, y, w, h);
    return colours;
  }
  std::vector<std::uint8_t> bytes(colours.size());
  KAV_GetImageArea(bytes.data(), x, y, w, h);
  std::vector<std::uint32_t> table(256, 0);
  KAV_GetColorTable(table.data());
  for (std::size_t i = 0; i < bytes.size(); ++i) colours[i] = table[bytes[i]] & 0xFFFFFF;
  return colours;
}

// A black 32-bit result window in the lowest free slot at (0, 0), made current.
int makeResultWindow(const std::string& title, int width, int height) {
  const int id = KAV_CreateImageInFreeSlot(title.c_str(), 0, 0, width, height, 100, 32);
  if (id >= 0) KAV_SelectImage(id);
  return id;
}

}  // namespace

void pixelInfo(int x, int y) {
  const ImageSlot* s = currentSlot();
  if (!s) return;
  const std::string text = pixelInfoText(s->bitDepth, KAV_GetPixel(x, y), x, y);
  textwin::ensureTextWindow();
  KAV_Printf("%s", text.c_str());
}

int lineProfile(Profile p, int row) {
  const ImageSlot* s = currentSlot();
  if (!s) return -1;
  const ProfileTool& tool = profileTool(p);
  const int width = s->width;
  const long long resultWidth = static_cast<long long>(width) + tool.margin;
  if (resultWidth > 0x7FFFFFFF) return -1;
  // The colour tools plot colours; the luminance tool plots an 8-bit row's
  // indices, or a 32-bit row's luma.
  std::vector<Pixel32> colours;
  std::vector<std::uint8_t> bytes;
  if (!tool.byteRow) {
    colours = colourArea(*s, 0, row, width, 1);
  } else if (s->bitDepth == 8) {
    bytes.resize(static_cast<std::size_t>(width));
    KAV_GetRowPixels(bytes.data(), row, width);
  } else {
    for (const Pixel32 c : colourArea(*s, 0, row, width, 1)) bytes.push_back(static_cast<std::uint8_t>(KAV_RgbToY(c)));
  }
  const int id = makeResultWindow(profileTitle(p, row), static_cast<int>(resultWidth), kProfileHeight);
  if (id < 0) return -1;
  for (int c = 0; c < tool.curveCount; ++c) {
    const Curve& curve = tool.curves[static_cast<std::size_t>(c)];
    const int flags = curve.flag | KAV_PROFILE_LINES;
    if (tool.byteRow)
      KAV_PlotProfile(bytes.data(), tool.margin, width, flags, curve.colour);
    else
      KAV_PlotProfile(colours.data(), tool.margin, width, flags, curve.colour);
  }
  for (int l = 0; l < tool.curveCount; ++l) drawLabel(tool.labels[static_cast<std::size_t>(l)]);
  invalidateImage(id);
  return id;
}

int crCbLine(int row) {
  const ImageSlot* s = currentSlot();
  if (!s) return -1;
  const std::vector<Pixel32> colours = colourArea(*s, 0, row, s->width, 1);
  const int id = makeResultWindow(crCbLineTitle(row), kChartSize, kChartSize);
  if (id < 0) return -1;
  KAV_PlotCrCbLine(colours.data(), static_cast<int>(colours.size()));
  invalidateImage(id);
  return id;
}

int crCbArea(int x1, int y1, int x2, int y2) {
  const ImageSlot* s = currentSlot();
  if (!s) return -1;
  // 64 bits: the corners may be anywhere. A picked rectangle lies in the
  // image, so one larger than the image is refused rather than allocated.
  const long long w = static_cast<long long>(x2) - x1 + 1, h = static_cast<long long>(y2) - y1 + 1;
  if (w <= 0 || h <= 0 || w > s->width || h > s->height) return -1;
  const std::vector<Pixel32> colours = colourArea(*s, x1, y1, static_cast<int>(w), static_cast<int>(h));
  const int id = makeResultWindow(crCbAreaTitle(x1, y1, x2, y2), kChartSize, kChartSize);
  if (id < 0) return -1;
  KAV_PlotCrCbArea(static_cast<int>(h), colours.data(), static_cast<int>(w));
  KAV_UpdateImage(id);
  return id;
}

}  // namespace rozoru::measure
