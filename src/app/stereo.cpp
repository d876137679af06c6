// The stereo capture program's hooks.
#include "app/stereo_app.h"
#include "camera/qt/property_page.h"
#include "rozoru/kav.h"

void KAV_Init() {
  ryk::qt::installPropertyPage();
  stereo::init();
}

void KAV_Main() { stereo::run(); }

void KAV_Exit() { stereo::shutdown(); }
