// Image files: loading into the current image and saving it. Thread-bound to
// the worker thread, like the image slots.
#pragma once

// Quality passed to the JPEG encoder (0-100); 100 at program start.
extern int KAV_JpegQuality;

// Draws the picture of a file at its pixel size with its top-left corner at
// (x, y) of the current image, clipped; pixels outside keep their values.
// Into an 8-bit image the file's palette replaces the first colour-table
// entries and colours map to the nearest entry. Does not repaint.
// 0 drawn; 1 the file cannot be read; 2 no current image.
int KAV_LoadImage(const char* file, int x, int y);

// Saves the width x height area at the top-left of the current image (area
// beyond the image is black, or index 0) as format 0 BMP, 1 JPEG, 2 GIF,
// 3 PNG or 4 TIFF. The extension is appended unless the name's last four
// characters, lower-cased, already are it. An existing file is replaced only
// once the new one is complete.
// 0 saved; 1 the encoder failed or there is none; 2 width or height is 0;
// 3 no current image.
int KAV_SaveImage(int width, int height, int format, const char* file);
