// Pictures between image windows and the desktop's clipboard (the public
// calls are in rozoru/clipboard.h): the image windows' Cut, Copy and Paste,
// request 9004, and the main window's paste as a new image.
#pragma once

namespace rozoru::imageio {

// Our own clipboard type: a bare bitmap block, no file header.
inline constexpr const char* kDibMimeType = "application/x-rozoru-dib";

// Installs the image windows' clipboard commands and request 9004 (draw a
// pasted picture into the current image).
void installClipboard();

// The main window's Paste, on the GUI thread while KAV_Main does not run:
// the clipboard's picture in a new 32-bit image window in the lowest slot
// where one can be made, titled by its number ("%03d"), and the image that
// was current before current again. Returns the slot, or -1 when KAV_Main
// runs, the clipboard holds no picture or no slot could take it.
int pasteAsNewImage();

}  // namespace rozoru::imageio
