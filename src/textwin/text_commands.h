// The text windows' commands that reach beyond one window: About, the log
// commands and the window information with its generated source.
//
// Worker thread (the commands run where text windows are dispatched), except
// install().
#pragma once

#include <string>

#include "textwin/window_info.h"

namespace rozoru::textwin {

// The framework's banner: its name and version.
std::string aboutBanner();

// Fills the text windows' command, log and window-closed hooks and the exit
// sequence's log closing; log files go to logDirectory. Before the worker starts.
void installCommands(const std::string& logDirectory, int instance);

// The open framework windows as the window system places them now.
OpenWindows openWindows();

// Command 1045 on text window index: prints the report there in its colours
// and puts the generated source on the clipboard.
void windowInformation(int index);

}  // namespace rozoru::textwin
