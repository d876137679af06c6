// TrueType text on Qt: fonts of the Gothic face "IPAGothic", glyphs rendered
// with QPainter into a coverage mask (QPainter on a QImage needs no GUI
// thread, so the worker renders).
#pragma once

#include <memory>

#include "imgproc/truetype.h"

namespace rozoru {

// The engine. Its fonts fail when the face is not installed (no other face
// stands in: its glyphs would have other widths), and for cells above
// 2048 pixels in either direction.
std::unique_ptr<TrueTypeEngine> makeQtTrueTypeEngine();

}  // namespace rozoru
