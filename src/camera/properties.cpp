// The property operations: percent get and set through the camera's
// controls, and the property page through the handler its Qt adapter sets.
#include "camera/library_state.h"

namespace ryk {

void setPropertyPageHandler(PropertyPageHandler handler) {
  Library& L = lib();
  std::lock_guard lock(L.lock);
  L.pageHandler = std::move(handler);
}

std::shared_ptr<CameraControls> cameraControls(int k) {
  auto cam = camera(k);
  if (!cam) return nullptr;
  std::lock_guard lock(lib().tableMutex);
  return cam->controls;
}

}  // namespace ryk

using ryk::lib;

namespace {

// 0, or the code of the common checks.
int check(int p, int k) {
  if (!ryk_ready || k < 0 || k >= ryk_count) return 1;
  if (static_cast<unsigned>(p) > 16u) return 2;
  if (!ryk_available[k][p]) return 3;
  return 0;
}

}  // namespace

double ryk_GetProperty(int p, int k, int* automatic) {
  std::lock_guard lock(lib().lock);
  if (check(p, k)) return -1.0;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->get(p, automatic) : -1.0;
}

int ryk_SetProperty(double percent, int p, int k) {
  std::lock_guard lock(lib().lock);
  if (const int c = check(p, k)) return c;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->set(p, percent) : 3;
}

int ryk_SetPropertyAuto(int p, int k) {
  std::lock_guard lock(lib().lock);
  if (const int c = check(p, k)) return c;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->setAuto(p) : 3;
}

int ryk_ShowPropertyPage(int k) {
  ryk::PropertyPageHandler handler;
  std::shared_ptr<ryk::CameraControls> controls;
  {
    std::lock_guard lock(lib().lock);
    if (!ryk_ready || k < 0 || k >= ryk_count) return 1;
    handler = lib().pageHandler;
    controls = ryk::cameraControls(k);
  }
  if (!handler || !controls) return 2;
  int err = 0;
  (void)controls->list(&err);
  if (err) return 3;
  // The library lock is not held while the dialog is open: the cameras keep
  // streaming and a Close from the GUI thread is not held up.
  return handler(k, ryk::cameraName(k), controls);
}
