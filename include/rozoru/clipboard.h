// Pictures on the desktop's clipboard. Worker thread, like the image slots,
// except KAV_GetClipboardBitmap, which any thread may call.
//
// Copied pictures are offered as "image/bmp" (a BMP file: the 24-bit rows of
// a 32-bit image, or the indices and 256-entry colour table of an 8-bit
// image, rows bottom-up) and as "image/png". Pastes read a BMP (or the bare
// bitmap block under application/x-rozoru-dib), else any picture the
// platform's image readers decode.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A clipboard picture, owned by whoever holds the pointer; it takes the place
// of a platform bitmap. pixels: 0x00RRGGBB, rows top-down, width apart.
struct KAV_Bitmap {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  // Colour-table indices of the pixels (same layout) when the picture came
  // with a colour table; empty otherwise. An index at or beyond the table's
  // count stands for black.
  std::vector<std::uint8_t> indices;
};

// Copies image id to the clipboard. Nothing happens when id is outside
// 0-255 or not in use, or when the clipboard cannot be reached; without
// memory for the copy a message box says "No enough memory for copy".
// Returns 0 when the picture is on the clipboard, 1 otherwise.
int KAV_CopyToClipboard(int id);

// The clipboard's picture, or nullptr when it holds none. table (256 entries,
// may be null) receives its colour table as 0x00RRGGBB and *count (may be
// null) the table's entry count, 0 when the picture brings none.
std::unique_ptr<KAV_Bitmap> KAV_GetClipboardBitmap(std::uint32_t* table, int* count);

// Pastes the clipboard's picture into image id with its top-left corner at
// (x, y), clipped. x = -1 or y = -1 lets the user click where its centre
// goes (a placement pick). A picture with a colour table first replaces as
// many entries of an 8-bit image's table; colours then map to the nearest
// entry. Nothing happens when id is unusable, the clipboard holds no
// picture or the pick is cancelled.
void KAV_PasteFromClipboard(int id, int x, int y);

// Draws a picture unscaled at (0, 0) of the current image, clipped (the
// worker's side of request 9004, whose request owns the picture). Does not
// repaint.
void KAV_DrawPendingBitmap(const KAV_Bitmap& bitmap);
