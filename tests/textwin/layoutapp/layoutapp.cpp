// Windows of every kind, with titles that need escaping, for the window
// information's round trip (tests/e2e/window_info_source.sh). Built with
// ROZORU_LAYOUT_REPLAY, KAV_Init is the generated source in layout_replay.inc.
#include "rozoru/kav.h"

void KAV_Init() {
#ifdef ROZORU_LAYOUT_REPLAY
#include "layout_replay.inc"
#else
  KAV_CreateImage(0, "say \"hi\" \\ there", 40, 40, 160, 120, 100);
  KAV_CreateImage8(5, "abc", 300, 40, 320, 240, 50);
  KAV_OpenTextWindow(3, 500, 300, 300, 200);
  KAV_OpenTextWindow(0, 40, 300, 400, 300);
  KAV_OpenInputBox(40, 700, 2);
  KAV_SetInputBoxTitle(0, "tab\there");
  KAV_OpenButtonBox(500, 700, 2, 1);
  KAV_SetButtonBoxTitle(0, "two\nlines");
#endif
}
void KAV_Main() {}
void KAV_Exit() {}
