// The main window's right-button menu: its items, and which of them are
// locked (greyed) while the application runs or a line input waits.
//
// Reentrant: plain data.
#pragma once

#include <vector>

#include "shell/core/window_system.h"

namespace rozoru {

// True for the commands that the menu greys while it is locked.
bool lockedCommand(int command);

// The menu as it opens now: with locked true every locked item is disabled.
std::vector<MenuItem> mainWindowMenu(bool locked);

}  // namespace rozoru
