// Text windows on Qt: bitmaps drawn with a fixed-pitch font, and the
// clipboard's text (read by line input, written by the log copy and the
// window information).
//
// Thread-safe: surfaces are drawn on whichever thread prints (QPainter on
// a QImage needs no GUI thread); the clipboard is read on the GUI thread.
#pragma once

#include <memory>

#include "textwin/text_layout.h"

namespace rozoru {
class QtWindowSystem;
}

namespace rozoru::textwin {

// A text bitmap in the framework's pixel memory, drawn in the text font.
std::unique_ptr<TextSurface> makeQtSurface(int width, int height);

// Installs the text windows into the framework: Qt surfaces, the clipboard,
// the instance number for the menu, the commands with the logs in the log
// folder taken at start, and the subsystem's shell entries.
void installQt(QtWindowSystem& ws, int instance);

}  // namespace rozoru::textwin
