// What a synthetic camera's controls do to its picture: exposure and gain
// brighten it, white balance tints it, focus blurs it, and the camera's
// place in the stereo pair shifts the scene sideways. Plain pixel maths on
// BGRx rows.
#pragma once

#include <cstdint>
#include <vector>

namespace ryk {

struct Optics {
  double brightness = 1.0;  // multiplies every channel
  double red = 1.0;         // extra factors for red and blue (white balance)
  double blue = 1.0;
  int blur = 0;             // box blur radius in pixels, 0-8
  int shift = 0;            // scene moved right by this many pixels (left when negative)
  friend bool operator==(const Optics&, const Optics&) = default;
};

// Applies o in place to a BGRx picture; stride in bytes. scratch is reused
// between calls so that a stream allocates only on its first frame.
void applyOptics(std::uint8_t* bgrx, int width, int height, int stride, const Optics& o,
                 std::vector<std::uint8_t>& scratch);

}  // namespace ryk
