// The button box's press counters, as image windows and applications see
// them. Thread-bound to the worker thread.
#pragma once

// Press counter of button i; 0 when the button is created.
extern int kav_button[256];

namespace rozoru {

// Buttons in the open button box; 0 when no box is open.
int buttonCount();
// Set by the button box when it opens (count) and closes (0).
void setButtonCount(int count);
// Sets counter k to 1 when the box is open and has more than k buttons
// (a key that stands for a button); false when no such button exists.
bool pressButtonByKey(int k);

}  // namespace rozoru
