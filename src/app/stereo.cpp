// The stereo capture program's hooks. The cameras, windows and capture loop
// come with the camera library and the image windows.
#include "rozoru/kav.h"

void KAV_Init() {}
void KAV_Main() {}
void KAV_Exit() {}
