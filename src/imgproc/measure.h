// The measurement tools inside the framework: the geometry of profile curves
// and chroma charts (plain, reentrant), and the tools that make result windows
// and text once a point, row or rectangle has been picked (worker thread).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "rozoru/image.h"

namespace rozoru::measure {

// ---- Plot geometry (plain) ----

// The value v that flags select for a pixel (byteValue is the element of an
// 8-bit row), or -1 when no channel flag is set.
int profileValue(Pixel32 pixel, int byteValue, int flags);
// Row of the graph for that value: 127 - v * 127 / s, s = 359 for hue else 255.
int profileRow(int value, int flags);

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
// Chart position: (Cb + 128, 128 - Cr).
Point chartPoint(Pixel32 pixel);

// One text label: drawn with the text cursor x and left margin at x.
struct Label {
  const char* text;
  int x, baseline;
  Pixel32 colour;
};
struct Curve {
  int flag;
  Pixel32 colour;
};

// The line profile tools and what each draws.
enum class Profile { Rgb, Hsv, YCrCb, Luminance };
struct ProfileTool {
  const char* titleFormat;  // one %d: the row
  int margin;               // added to the image width
  bool byteRow;             // the row is read as bytes (8-bit images)
  int curveCount;
  std::array<Curve, 3> curves;
  std::array<Label, 3> labels;
};
const ProfileTool& profileTool(Profile p);

inline constexpr int kProfileHeight = 128;
inline constexpr int kChartSize = 256;
inline constexpr Pixel32 kAxisColour = 0x808080;
inline constexpr std::array<Label, 2> kChartLabels{{{"Cr", 110, 16, 0xFF8888}, {"Cb", 238, 144, 0x8888FF}}};

std::string profileTitle(Profile p, int row);
std::string crCbLineTitle(int row);
std::string crCbAreaTitle(int x1, int y1, int x2, int y2);

// The Pixel tool's lines for value v at (x, y) of an image of this depth.
std::string pixelInfoText(int bitDepth, Pixel32 v, int x, int y);

// ---- Drawing into the current image (worker thread) ----

// A label: text cursor x and left margin at its x, cursor y at its baseline,
// kav_tc its colour, then KAV_DrawString.
void drawLabel(const Label& label);
// The chart's two grey axes through (128, 128) and its "Cr" and "Cb" labels.
void drawChartAxes();

// ---- Tools on a picked place (worker thread) ----
// Each reads the current image (the picked one), makes its result window in
// the lowest free slot at (0, 0), zoom 100, and leaves that window current.
// They return the result slot, or -1 when nothing was made (no image current,
// an empty rectangle, or no slot free).

// Prints the Pixel tool's lines into the current text window, opening one
// when none is open.
void pixelInfo(int x, int y);
int lineProfile(Profile p, int row);
int crCbLine(int row);
int crCbArea(int x1, int y1, int x2, int y2);

}  // namespace rozoru::measure
