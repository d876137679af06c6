// Formatted output into the current text window.
//
// FIXME: text windows are not built yet, so no text window can be open and
// output is dropped, which is what happens whenever none is open.
#include "rozoru/kav.h"

int KAV_Printf(const char* /*format*/, ...) { return 0; }
