// The texts of the measurement tools: result-window titles and the Pixel
// tool's report.
#include <cstdio>

#include "imgproc/measure.h"
#include "rozoru/colour.h"

namespace rozoru::measure {

namespace {

// Titles are formatted into a 512-byte buffer, as the windows' titles always were.
template <typename... Args>
std::string format(const char* fmt, Args... args) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, fmt, args...);
  return buffer;
}

}  // namespace

std::string profileTitle(Profile p, int row) { return format(profileTool(p).titleFormat, row); }
std::string crCbLineTitle(int row) { return format("CrCb(Y=%d)", row); }
std::string crCbAreaTitle(int x1, int y1, int x2, int y2) { return format("CrCb(%d,%d)-(%d,%d)", x1, y1, x2, y2); }

std::string pixelInfoText(int bitDepth, Pixel32 v, int x, int y) {
  std::string text = format("(X,Y)=(%d,%d)\n", x, y);
  if (bitDepth != 32) return text + format("(Luminance)=(%d)\n\n", static_cast<int>(v & 0xFF));
  int h = 0, s = 0, val = 0, luma = 0, a = 0, b = 0;
  text += format("(R,G,B)=(%d,%d,%d)\n", static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                 static_cast<int>(v & 0xFF));
  KAV_RgbToHsv(v, &h, &s, &val);
  text += format("(H,S,V)=(%d,%d,%d)\n", h, s, val);
  KAV_RgbToYCrCb(v, &luma, &a, &b);
  text += format("(Y,Cr,Cb)=(%d,%d,%d)\n", luma, a, b);
  KAV_RgbToYuv(v, &luma, &a, &b);
  text += format("(Y,u,v)=(%d,%d,%d)\n", luma, a, b);
  KAV_RgbToYiq(v, &luma, &a, &b);
  text += format("(Y,I,Q)=(%d,%d,%d)\n\n", luma, a, b);
  return text;
}

}  // namespace rozoru::measure
