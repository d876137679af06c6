// The camera library's internals that its Qt adapter, tests and benchmarks
// reach: the property-page handler, the camera's controls and name, and the
// time limits tests shorten. (The synthetic cameras' simulated controls are
// in synthetic_sources.h, part of ryk_synthetic.)
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "camera/controls.h"

namespace ryk {

// Shows the modal property page of a camera's controls and returns when the
// user closed it; 0 shown and closed. Runs on the thread that called
// ryk_ShowPropertyPage; the handler moves to the GUI thread itself.
using PropertyPageHandler =
    std::function<int(int camera, const std::string& caption, std::shared_ptr<CameraControls> controls)>;
void setPropertyPageHandler(PropertyPageHandler handler);

// The controls of camera k while open, else null.
std::shared_ptr<CameraControls> cameraControls(int k);
// The display name of camera k's device while open, else "".
std::string deviceName(int k);

namespace detail {
// Defaults: 3000 ms first-frame limit, 1000 ms watchdog limit.
void setFirstFrameLimit(std::chrono::milliseconds limit);
void setWatchdogLimit(std::chrono::milliseconds limit);
// Attempts made by the last ryk_Open (1-3), and frames camera k delivered
// since it opened.
int lastOpenAttempts();
std::uint64_t framesDelivered(int k);
// The mode camera k streams at ("YUY2 320x240 at 15 fps"), "" when none.
std::string modeOf(int k);
// Times the watchdog called camera k stalled since it opened.
int stallsOf(int k);
}  // namespace detail

}  // namespace ryk
