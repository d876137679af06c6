// The GStreamer side of the mode choice: the caps a camera offers as plain
// modes, and the chosen mode as the one fixed caps the chain asks for.
#pragma once

#include <gst/gst.h>

#include <vector>

#include "camera/mode_choice.h"

namespace ryk {

// One OfferedMode per structure, format and listed size of `caps` (ranges stay
// ranges; rate lists stay lists). Structures other than raw video and MJPEG
// (H.264, Bayer, ...) are left out; so are caps with no size.
std::vector<OfferedMode> offeredModes(const GstCaps* caps);

// Fixed caps for `m`: the format, width, height, rate and the mode's pixel
// aspect (square for every camera that reports one). Null when nothing was found.
GstCaps* capsFor(const ChosenMode& m);

}  // namespace ryk
