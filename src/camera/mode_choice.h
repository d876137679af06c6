// Choosing one explicit camera mode among those a camera offers. Plain logic:
// the GStreamer side (caps_modes.h) turns caps into these structs and back.
#pragma once

#include <string>
#include <vector>

namespace ryk {

struct Fraction {
  int num = 0;
  int den = 1;
};

// How a mode's pictures travel over the bus.
enum class Encoding { Raw, Mjpeg };

// One kind of mode a camera offers: a format with a size and a rate, each fixed,
// listed or a range. Caps with lists of sizes arrive as one OfferedMode per size.
struct OfferedMode {
  Encoding encoding = Encoding::Raw;
  std::string format;  // raw pixel format (YUY2, NV12, GRAY8, ...); empty for MJPEG
  int minWidth = 0, maxWidth = 0, widthStep = 1;
  int minHeight = 0, maxHeight = 0, heightStep = 1;
  Fraction pixelAspect{1, 1};
  std::vector<Fraction> rates;        // the rates offered, when listed
  Fraction minRate{0, 1}, maxRate{0, 1};  // the range, when rates is empty
};

// The part of the picture kept, in the mode's own pixels.
struct Crop {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ChosenMode {
  bool found = false;
  Encoding encoding = Encoding::Raw;
  std::string format;
  int width = 0, height = 0;
  Fraction pixelAspect{1, 1};
  Fraction rate;
  // Whether the picture is not 4:3 (16:9, 16:10, ...) and the chain must keep
  // only the centred 4:3 part before scaling, so nothing is squeezed.
  bool centreCrop = false;
  Crop crop;
  std::string reason;  // why this mode, in words for the log
};

// Bits per pixel of a raw format on the bus; 0 for a format the chain cannot take.
int rawBitsPerPixel(const std::string& format);

// The mode for a camera asked for `requested` frames per second, whose raw
// modes may use at most `budgetMbit` megabits per second of its bus:
//  1. the requested rate first (the slowest offered rate at least as fast; when
//     nothing reaches it, the fastest there is);
//  2. then the smallest size at least 320x240, 4:3 before other shapes (the
//     largest size when none is that large);
//  3. raw before MJPEG at the same size, but MJPEG whenever raw would not reach
//     the rate or would exceed the budget.
// `across` pictures side by side in one frame (2 for a side-by-side stereo
// device) make each size `across` times as wide: 640x240 is the smallest, 4:3
// means each half is, and `crop` is the part kept of each half.
ChosenMode chooseMode(const std::vector<OfferedMode>& offered, Fraction requested, double budgetMbit = 100.0,
                      int across = 1);

// The next lighter mode after `current` failed for lack of bus bandwidth or in
// negotiation: MJPEG when `current` is raw and MJPEG is offered, else a lower
// rate at the same size (the highest offered below the current one, half of
// it within a range), in MJPEG when offered, else raw. Not found when nothing
// is lighter.
ChosenMode lighterMode(const std::vector<OfferedMode>& offered, const ChosenMode& current, Fraction requested,
                       double budgetMbit = 100.0, int across = 1);

// Whether a device delivers two pictures side by side in one frame: its widest
// fixed size (the tallest of that width) is twice as wide as 4:3 (640x240,
// 1280x480, 2560x960).
bool isSideBySide(const std::vector<OfferedMode>& offered);

// "YUY2 320x240 at 30 fps", "MJPEG 640x360 at 30 fps, centre 480x360".
std::string describe(const ChosenMode& m);

}  // namespace ryk
