// What the main window's right-button menu does beyond Start, Stop and Exit:
// Image Window, Text Window, Input Box, Button Box and Window Info, and the
// console that text windows run on Space and on their "Command" item.
//
// The prompts of Image Window, Input Box and Button Box read lines in text
// window 0, which the worker owns: they run on the worker, posted to its
// queue. Their items are locked while KAV_Main runs, so the worker is idle in
// its loop then, and it makes the windows directly, as the requests would.
// Text Window and Window Info run on the GUI thread through requests.
#pragma once

namespace rozoru::mainmenu {

// Installs the commands into the main window and the console into the text
// windows (after the text windows' own installation).
void install();

// Carries out a window command (cmd:: in shell/core/main_window.h); GUI thread.
void runWindowCommand(int command);

}  // namespace rozoru::mainmenu
