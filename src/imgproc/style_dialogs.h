// The commands that set the drawing colours and the TrueType font through
// the window system's dialogs, owned by an image window. Worker thread; the
// dialogs run on the GUI thread while the worker waits for the answer.
#pragma once

#include <array>

#include "rozoru/image.h"

namespace rozoru {

// The colour dialog's 16 custom colours: black at start, kept for the run.
std::array<Pixel32, 16>& customColours();

// "Change": the colour dialog at the drawing colour, owned by image id's
// window (none when the slot is not in use). The drawing colour, kav_tc and
// kav_tttc all take the dialog's colour, which is the drawing colour itself
// after a cancel. 0 accepted, 1 cancelled.
int changeDrawColour(int id);

// "Font Change": the font dialog at the TrueType font's height and style,
// owned by image id's window. Accepted: the font is made anew from the
// dialog's choice, its half width following the height as a Gothic face's
// natural width does. Cancelled: the font stays as it was. 0 accepted, 1
// cancelled, 2 accepted but no font could be made (TrueType text then draws
// nothing, as after a failed cell change).
int changeTrueTypeFont(int id);

}  // namespace rozoru
