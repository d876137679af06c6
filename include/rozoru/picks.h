// Interactive picks: points, rows, columns, placements, rectangles, lines and
// circles clicked with the mouse over an image window. Worker thread only.
//
// A pick makes the image current, asks in the status line for a click, shows
// an XOR figure that follows the mouse and ends on a left click (result 0).
// The right or middle button cancels (1). Stop ends it with 0 and the outputs
// as they stand. 2: the id is above 255, its slot is not in use, or another
// pick runs. The outputs are set to 0 when the pick starts; use them only
// when the result is 0. The picked image stays current afterwards.
#pragma once

// One click, no figure.
int KAV_PickPoint(int id, int* x, int* y);
// One click; a line across the whole image follows the mouse row.
int KAV_PickRow(int id, int* x, int* y);
// One click; a line over the whole image height follows the mouse column.
int KAV_PickColumn(int id, int* x, int* y);
// One click; a w x h box centred on the mouse follows it (with its diagonals
// when both sides are at least 9).
int KAV_PickPlacement(int id, int w, int h, int* x, int* y);
// Two clicks; the corners come back sorted (x1 <= x2, y1 <= y2).
int KAV_PickRect(int id, int* x1, int* y1, int* x2, int* y2);
// Two clicks, in click order.
int KAV_PickLine(int id, int* x1, int* y1, int* x2, int* y2);
// The centre, then a point the circle passes through; r is rounded.
int KAV_PickCircle(int id, int* cx, int* cy, int* r);
// Ends a pick: status line back to the display's depth, mouse routing off,
// the main window accepts dropped files again unless KAV_Main runs.
void KAV_EndPick();
