// The hook through which software sources (the synthetic cameras of the demo
// and the tests, built as ryk_synthetic) stand in for the system's cameras.
// The library the product links knows only this interface.
#pragma once

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/controls.h"
#include "camera/devices.h"

namespace ryk {

// What a software source keeps while its camera is open.
class SourceRuntime {
 public:
  virtual ~SourceRuntime() = default;
  // The node behind the camera's controls; null: the camera has none.
  virtual std::shared_ptr<ControlNode> controlNode() const = 0;
  // Returns once the streaming thread is done with the runtime; called after
  // the pipeline stopped and before it is let go.
  virtual void quiesce() = 0;
};

// A device a source maker lists in place of the system's.
struct ListedSource {
  DeviceInfo info;
  std::string displayName;
};

class SourceMaker {
 public:
  virtual ~SourceMaker() = default;
  // The devices, in order; called under the library lock at each open.
  virtual std::vector<ListedSource> devices() const = 0;
  // The source element of listed device `index` as camera k, named `name`
  // (errors are reported per camera by that name), at fpsN/fpsD; sets
  // `runtime`. Null on failure. Called under the library lock.
  virtual GstElement* makeSource(int k, int index, const std::string& name, int fpsN, int fpsD,
                                 std::shared_ptr<SourceRuntime>& runtime) = 0;
};

// Lists the maker's devices at the next opens; null: the system's cameras.
// Call while the library is closed.
void setSourceMaker(std::shared_ptr<SourceMaker> maker);
// The runtime of camera k while open (null for system cameras).
std::shared_ptr<SourceRuntime> sourceRuntime(int k);

}  // namespace ryk
