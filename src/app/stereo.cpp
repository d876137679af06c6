// The stereo capture program's hooks.
#include "app/stereo_app.h"
#include "camera/qt/property_page.h"
#include "rozoru/kav.h"
#include "ryk/ryk.h"
#include "shell/qt/framework.h"

void KAV_Init() {
  ryk::qt::installPropertyPage();
  // The command line checked the list already.
  ryk_SelectCameras(rozoru::cameraChoice().c_str());
  stereo::init();
}

void KAV_Main() { stereo::run(); }

void KAV_Exit() { stereo::shutdown(); }
