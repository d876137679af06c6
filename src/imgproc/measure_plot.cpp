// The plotting routines of the measurement tools: rows read from the
// current image, profile curves and chroma charts drawn into it.
#include <cstddef>

#include "imgproc/measure.h"
#include "rozoru/draw.h"
#include "rozoru/measure.h"

namespace rozoru::measure {
namespace {

bool currentInUse() {
  const int id = KAV_CurrentImage();
  return static_cast<unsigned>(id) < static_cast<unsigned>(KAV_MAX_IMAGES) && kav_image[id].inUse;
}

// Element i as the pixel the channel flags read and the byte KAV_PROFILE_BYTE reads.
Pixel32 asPixel(Pixel32 p) { return p; }
Pixel32 asPixel(std::uint8_t b) { return Pixel32{b} * 0x010101u; }
int asByte(Pixel32 p) { return static_cast<int>(p & 0xFF); }
int asByte(std::uint8_t b) { return b; }

template <typename Element>
void plotProfile(const Element* buffer, int xoff, int count, int flags, Pixel32 colour) {
  if (!buffer || count <= 0 || !currentInUse()) return;
  const bool points = (flags & KAV_PROFILE_POINTS) != 0;
  if (!points && !(flags & KAV_PROFILE_LINES)) return;
  if (profileValue(0, 0, flags) < 0) return;  // no channel chosen
  for (int i = 0; i < count; ++i) {
    const Element e = buffer[i];
    // xoff + i in 64 bits: a column beyond INT_MAX is outside, never a wrapped one inside.
    const long long wide = static_cast<long long>(xoff) + i;
    if (wide > 0x7FFFFFFF) break;
    const int x = static_cast<int>(wide);
    const int y = profileRow(profileValue(asPixel(e), asByte(e), flags), flags);
    if (points || i == 0) {
      KAV_PenSetPixel(x, y, colour);
    } else {
      int px = 0, py = 0;
      KAV_GetPenPosition(&px, &py);
      KAV_DrawLine(colour, px, py, x, y);
    }
  }
}

}  // namespace

void drawLabel(const Label& label) {
  KAV_SetTextCursor(label.x, label.baseline);
  KAV_SetLeftMargin(label.x);
  kav_tc = label.colour;
  KAV_DrawString(label.text);
}

void drawChartAxes() {
  KAV_DrawLine(kAxisColour, 0, 128, 256, 128);
  KAV_DrawLine(kAxisColour, 128, 0, 128, 256);
  for (const Label& l : kChartLabels) drawLabel(l);
}

}  // namespace rozoru::measure

using namespace rozoru::measure;

void KAV_GetRowPixels(void* buffer, int y, int count) {
  if (!buffer || count <= 0 || !currentInUse()) return;
  // The area reader writes 0 outside the image: a row is a count x 1 area.
  KAV_GetImageArea(buffer, 0, y, count, 1);
}

void KAV_PlotProfile(const Pixel32* buffer, int xoff, int count, int flags, Pixel32 colour) {
  plotProfile(buffer, xoff, count, flags, colour);
}
void KAV_PlotProfile(const std::uint8_t* buffer, int xoff, int count, int flags, Pixel32 colour) {
  plotProfile(buffer, xoff, count, flags, colour);
}

void KAV_PlotCrCbLine(const Pixel32* buffer, int count) {
  if (!currentInUse()) return;
  drawChartAxes();
  if (!buffer) return;
  Pixel32 colour = 0xFFFFFF;
  for (int i = 0; i < count; ++i) {
    const Point p = chartPoint(buffer[i]);
    if (i == 0) {
      KAV_PenSetPixel(p.x, p.y, colour);
    } else {
      int px = 0, py = 0;
      KAV_GetPenPosition(&px, &py);
      KAV_DrawLine(colour, px, py, p.x, p.y);
    }
    colour ^= 0x00FF00;
  }
}

void KAV_PlotCrCbArea(int rows, const Pixel32* buffer, int columns) {
  if (!currentInUse()) return;
  drawChartAxes();
  if (!buffer || columns <= 0) return;
  for (int r = 0; r < rows; ++r) {
    const Pixel32* row = buffer + static_cast<std::ptrdiff_t>(r) * columns;
    for (int c = 0; c < columns; ++c) {
      const Point p = chartPoint(row[c]);
      if (c == 0) {
        KAV_PenSetPixel(p.x, p.y, 0xFFFFFF);
      } else {
        int px = 0, py = 0;
        KAV_GetPenPosition(&px, &py);
        KAV_DrawLine(0xFFFFFF, px, py, p.x, p.y);
      }
    }
  }
}
