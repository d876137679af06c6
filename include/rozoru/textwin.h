// Text windows of the ROZORU framework: up to 256 numbered scrolling text
// windows, one of them current, and line input from the current one.
//
// Thread-safe: the worker thread owns the windows, but printing and line
// input may also be used from the GUI thread. Text is UTF-8. Colours are
// Pixel32 values 0x00RRGGBB.
#pragma once

// Opens text window index (0-255) at (x, y) with a client area of width x
// height. width < 0 means 400, height < 0 means 300, x or y < 0 leaves that
// coordinate to the window system. The window becomes current.
// 0 opened; 1 already open (brought to the front and made current);
// 2 not made (index out of range, or the window system refused).
int KAV_OpenTextWindow(int index, int x, int y, int width, int height);
// 0 closed; 1 not open or index out of range.
int KAV_CloseTextWindow(int index);
// Makes an open text window current, remembering the previous one.
// 0 done; 1 not open or index out of range.
int KAV_SelectTextWindow(int index);
// Saves the current window's colour pair (8 levels) and sets a new one.
void KAV_PushTextColor(unsigned int textColor, unsigned int backColor);
// Brings back the colour pair saved last.
void KAV_PopTextColor();
// Reads a line typed into the current text window into buffer (at least 256
// bytes), without line end, cut at a character boundary to fit. Returns 0 when
// a line was typed; 1 when no text window is current (buffer untouched) or the
// input was cancelled by Exit or by closing the window (buffer empty).
int KAV_ReadLine(char* buffer);
// The console: prints "Cmd>", reads one line in the current text window and
// carries out the command it names (case-sensitive): "exit" (Exit), "start"
// (Start), "help" (the command list), "ver" (the about banner) or "color"
// (the drawing colour's channels, kav_tttc and kav_tc). Anything else, the
// empty line and a cancelled read included, prints "Invalid command". 0 for
// a recognised command, 1 otherwise. Space in a text window and its
// "Command" item run it.
int KAV_Console();
