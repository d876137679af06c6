// The stereo capture application: what its three hooks do. The program's
// KAV_Init, KAV_Main and KAV_Exit call these; tests call them from their own
// hooks.
//
// Worker thread, except shutdown(), which may run on the GUI thread when the
// worker had to be abandoned.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "app/controls.h"

namespace stereo {

// Opens the windows, starts the cameras and, when they run, asks for the
// loop to start at once.
void init();
// The loop: runs until kav_stop is set, then prints "Stop".
void run();
// Stops the cameras.
void shutdown();

// Saves the pair of windows 0 and 1 now, as the loop does on a capture
// request (by the event mode; into the current directory).
void capture();

// The flags kept across runs (swap, event mode).
Globals& globals();

// For tests: everything the application prints also goes to tap (empty:
// none), and captures take their time from clock instead of the system's.
void setOutputTap(Print tap);
void setClock(std::function<std::tm()> clock);
// For tests, on the worker thread: the state of the run in progress, or null.
const State* runningState();

// Milliseconds from t0 to now, both KAV_GetTime() readings, right across the
// clock's wrap: the difference is taken unsigned, as a signed one overflows
// once the clock passes 2^31 ms (24.8 days of uptime).
unsigned elapsedMs(int t0, int now);

// A line that says what a failed camera start means, for ryk_Open's code.
std::string openErrorText(int code);

}  // namespace stereo
