// Drawing into the current image: pixels, lines, boxes, circles, the seed
// fill, bitmap-font text and TrueType text. Worker thread only. The primitives
// write the pixel buffer only; call KAV_UpdateImage afterwards to show it.
//
// A value or colour is written whole into a 32-bit pixel and as its low byte
// into an 8-bit pixel. Inverting XORs a 32-bit pixel with 0xFFFFFF (bits
// 24-31 kept) and an 8-bit pixel with 0xFF. Points outside the image are
// skipped; every operation does nothing while the current slot is not in use.
#pragma once

#include "rozoru/image.h"

// ---- Drawing state (one set for all image windows) ----

// The drawing colour: boxes, filled circles and the seed fill (initially 0xFFFFFF).
extern Pixel32 kav_dc;
// Colour of bitmap-font text (initially 0x000000).
extern Pixel32 kav_tc;
// Colour of TrueType text (initially 0xFFFFFF).
extern Pixel32 kav_tttc;

// Sets the drawing colour.
void KAV_SetDrawColor(Pixel32 colour);
// The drawing colour.
Pixel32 KAV_GetDrawColor();
// The pen position: the last point of a pen-moving write or of a line.
void KAV_GetPenPosition(int* x, int* y);
// Moves the pen without drawing.
void KAV_SetPenPosition(int x, int y);
// The text cursor: x is the left edge of the next character, y the row just
// below the bitmap glyph cell and the bottom row of the TrueType cell.
void KAV_GetTextCursor(int* x, int* y);
// Moves the text cursor.
void KAV_SetTextCursor(int x, int y);
// The x a newline returns to.
int KAV_GetLeftMargin();
// Sets the x a newline returns to.
void KAV_SetLeftMargin(int x);
// The TrueType cell: half width (the width given to the font) and height.
void KAV_GetTrueTypeCell(int* halfWidth, int* height);

// ---- Pixels ----

// Writes the pixel if inside; the pen moves to (x, y) even if outside.
void KAV_PenSetPixel(int x, int y, Pixel32 value);
// Writes the pixel if inside.
void KAV_SetPixel(int x, int y, Pixel32 value);
// The pixel value (an 8-bit image gives its index), or 0 outside.
Pixel32 KAV_GetPixel(int x, int y);
// The pixel value, or -1 outside (a 32-bit pixel 0xFFFFFFFF also reads -1).
int KAV_ProbePixel(int x, int y);
// Inverts the pixel if inside; the pen moves to (x, y).
void KAV_PenXorPixel(int x, int y);
// Inverts the pixel if inside.
void KAV_XorPixel(int x, int y);

// ---- Lines and boxes ----

// Solid line, both end points included; the pen ends at (x2, y2).
void KAV_DrawLine(Pixel32 colour, int x1, int y1, int x2, int y2);
// XOR line, every pixel inverted once; the pen ends at (x2, y2).
void KAV_XorLine(int x1, int y1, int x2, int y2);
// Rectangle outline in the drawing colour; the pen ends at (x1, y1).
void KAV_DrawBox(int x1, int y1, int x2, int y2);
// Filled rectangle in the drawing colour.
void KAV_FillBox(int x1, int y1, int x2, int y2);
// XOR rectangle outline (the rubber band), every pixel inverted once.
void KAV_XorBox(int x1, int y1, int x2, int y2);
// XOR filled rectangle.
void KAV_XorFillBox(int x1, int y1, int x2, int y2);

// ---- Circles and fill ----

// Circle outline of radius r in colour.
void KAV_DrawCircle(Pixel32 colour, int cx, int cy, int r);
// Filled circle in the drawing colour.
void KAV_FillCircle(int cx, int cy, int r);
// XOR circle outline; the pen follows every pixel.
void KAV_XorCircle(int cx, int cy, int r);
// XOR filled circle, every pixel of the disc inverted once.
void KAV_XorFillCircle(int cx, int cy, int r);
// Seed fill (4-connected) of the region of (x, y)'s value with the drawing colour.
void KAV_Paint(int x, int y);

// ---- Text ----

// One bitmap-font character (its low byte; 0x20-0x7F, or 10 for a newline)
// at the text cursor in kav_tc; advances and wraps at the right edge.
void KAV_DrawChar(int c);
// KAV_DrawChar for each byte up to the terminating zero.
void KAV_DrawString(const char* text);
// printf-style text (at most 4095 bytes, cut at a character boundary) drawn
// with KAV_DrawString.
void KAV_DrawPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One TrueType character (a Unicode code point) at the text cursor in
// kav_tttc, or a code below 32: 1/2 italic on/off, 3/4 bold/normal, 5/6
// underline on/off, 10 newline. An 8-bit pixel takes kav_tttc's low byte
// where the glyph covers at least half of it; 32-bit pixels are smoothed.
void KAV_DrawTrueTypeChar(int code);
// KAV_DrawTrueTypeChar for each UTF-8 character; a truncated sequence at the
// end stops it.
void KAV_DrawTrueTypeText(const char* utf8);
// Re-creates the TrueType font with half width w / 2 and height h (face and
// style kept). 0 done; 1 no font made (then TrueType text draws nothing).
int KAV_SetTrueTypeCell(int w, int h);
