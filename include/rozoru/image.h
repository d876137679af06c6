// Image slots: 256 numbered image windows whose pixels applications write
// directly. Thread-bound: every operation runs on the worker thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0x00RRGGBB: blue in bits 0-7, green 8-15, red 16-23; in memory B, G, R, 0.
using Pixel32 = std::uint32_t;

inline constexpr int KAV_MAX_IMAGES = 256;

// One image window. Fields are read by applications; the framework writes them.
struct ImageSlot {
  int inUse = 0;
  int bitDepth = 32;      // 32: one Pixel32 per pixel; 8: one colour-table index per pixel
  int width = 0;          // at least 1 while in use
  int height = 0;
  int displayWidth = 0;   // zoom * width / 100: the window's client width
  int displayHeight = 0;
  int zoom = 100;         // percent, as settled by the zoom fitting
  int stretchMode = 3;    // 3 repeats or drops pixels, 4 smooths
  std::uint32_t window = 0;
  std::string title;
};

// The slot table (worker thread).
extern ImageSlot kav_image[KAV_MAX_IMAGES];

// Pixel memory of slot id, valid while the slot is in use. 32-bit images:
// rows top-down without padding, pixel (x, y) at y * width + x. 8-bit images
// (through KAV_ImageBytes): rows padded to a multiple of 4 bytes.
extern Pixel32* KAV_ImagePixels[KAV_MAX_IMAGES];
extern std::uint8_t* KAV_ImageBytes[KAV_MAX_IMAGES];

// Row stride in bytes of an 8-bit image of this width, in 64 bits so that
// no width overflows it.
inline std::ptrdiff_t KAV_Stride8(int width) { return (std::ptrdiff_t{width} + 3) & ~std::ptrdiff_t{3}; }

// Results: 0 created; 1 slot in use; 2 no zoom fits the screen; 3 bitmap not
// made (no memory, or more than 2^31 - 1 bytes of pixels). x or y of -1 lets
// the window system place the window. The window appears without taking the
// keyboard focus.
int KAV_CreateImage(int id, const char* title, int x, int y, int width, int height, int zoom);
int KAV_CreateImage8(int id, const char* title, int x, int y, int width, int height, int zoom);
// New size in the same window (same handle and position); the new image is
// black. 0 done; 1 not an image in use; 2 no zoom fits; 3 no memory. On 2 or 3
// the image, its window and its pixel pointers stay exactly as they were.
int KAV_ResizeImage(int id, int width, int height);
// Each: 0 done; 1 id outside 0-255 or not in use.
// Closes the window and frees the pixels.
int KAV_DestroyImage(int id);
// Repaints the window from the pixels, once they have been written.
int KAV_UpdateImage(int id);
// Makes the image current, remembering the previous one.
int KAV_SelectImage(int id);
// Makes the previously current image current again; 1 when it is not in use.
int KAV_RestoreImage();
// The current image id (the target of pixel, drawing, load and save operations).
int KAV_CurrentImage();
// The slot whose window it is, or -1.
int KAV_FindImage(std::uint32_t window);
int KAV_FindAndSelectImage(std::uint32_t window);
// Colour table of the current image: 0 done; 1 not in use; 2 not an 8-bit image.
// Entries are 0x00RRGGBB (in memory B, G, R, 0).
int KAV_SetColorTable(const std::uint32_t* entries, int count);
int KAV_GetColorTable(std::uint32_t* entries256);
// Copies a w x h rectangle of the current image into a packed buffer
// (Pixel32 or bytes by depth); elements outside the image get 0. Nothing is
// written when the current image is not in use.
void KAV_GetImageArea(void* destination, int x0, int y0, int w, int h);
// The lowest free slot where a creation succeeds, created with these
// arguments (the result window of a command); -1 when none.
int KAV_CreateImageInFreeSlot(const char* title, int x, int y, int width, int height, int zoom, int bits);

// Lays a 320x240 frame into the current image with its left edge at column
// `offset`; what falls outside the image is skipped. Into an 8-bit image the
// frame is read as 320x240 bytes.
void KAV_PutFrame(const Pixel32* frame, unsigned offset);

// Display. 0 done; 1 not in use; 2 no zoom fits (nothing changes).
int KAV_SetZoom(int id, int zoom);
// One zoom step in or out: (10 z + 4) / 9 and (9 z + 5) / 10.
int KAV_ZoomIn(int id);
int KAV_ZoomOut(int id);
// Mode 3 or 4; other modes change nothing but the window is still refreshed.
int KAV_SetStretchMode(int id, int mode);
int KAV_GetStretchMode(int id);

// Mouse positions over image windows, written while kav_mousetracking is 1.
struct KAV_MouseState {
  int image = 0;
  int x = 0, y = 0;  // image coordinates
  int left = 0;      // 1 while the left button is down
  int middle = 0;    // 16 while the middle button is down
  int ctrl = 0;      // 8 while Ctrl is down
  int shift = 0;     // 4 while Shift is down
};
// 1: the image windows write the mouse into kav_mouse; 0 (at start): they do not.
extern int kav_mousetracking;
// The mouse as last seen over an image window.
extern KAV_MouseState kav_mouse;
