// The input box and the button box of the ROZORU framework.
//
// Worker thread: call these from the application hooks (KAV_Init, KAV_Main,
// KAV_Exit on the worker). Text is UTF-8.
#pragma once

// --- button box: a grid of push buttons whose presses the application polls ---

// Press counter of button i; 0 when the button is created. A click adds 1,
// a key that stands for the button sets 1. Prefer KAV_GetButton.
extern int kav_button[256];

// Opens the button box at screen position (x, y) (used as given) with nx
// columns and ny rows of buttons captioned with their numbers, 0 row by row.
// Does nothing when a box is open, nx or ny <= 0, or nx x ny > 256.
void KAV_OpenButtonBox(int x, int y, int nx, int ny);
// Caption of button i; may hold line feeds. Nothing when no box is open or
// i is not a button.
void KAV_SetButtonBoxTitle(int i, const char* text);
// Sets the client size of the open box and lays the buttons out to fill it.
void KAV_ResizeButtonBox(int width, int height);
// Destroys the open box, if any. Counters keep their values.
void KAV_DestroyButtonBox();
// Reads and clears button k's counter: the presses since the last read.
// 0 when no box is open or k is not a button.
int KAV_GetButton(int k);

// --- input box: titled one-line fields whose values the application reads ---

// Opens the input box with its top-left corner at (x, y) and n items (n is
// clamped to 1-30), each titled "Item <i>" with the value "0". Nothing when
// a box is open.
void KAV_OpenInputBox(int x, int y, int n);
// Title of item i.
void KAV_SetInputBoxTitle(int i, const char* text);
// Widths of the title column and the edit column (each at least 1); an open
// box is laid out again and resized to fit.
void KAV_ResizeInputBox(int isize, int esize);
// Destroys the open box, if any; its values are gone with it.
void KAV_DestroyInputBox();
// Copies item k's value, as of the last time its field lost the focus or
// Enter was pressed in it, into buffer (size bytes, terminated, cut at a
// character boundary). 0 done; 1 no box is open or k is not an item (buffer
// empty when size > 0).
int KAV_GetInputBoxText(int k, char* buffer, int size);
// Item k's value as a number (leading number of the text, as strtod reads
// it); 0.0 when no box is open, k is not an item or the text is no number.
double KAV_GetInputBoxValue(int k);
