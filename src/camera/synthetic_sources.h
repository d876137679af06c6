// The synthetic cameras' side of ryk_synthetic that tests and benchmarks may
// reach beyond include/ryk/synthetic.h.
#pragma once

#include <memory>

#include "camera/simulated_node.h"

namespace ryk {

// The simulated controls of synthetic camera k while open, else null.
std::shared_ptr<SimulatedNode> simulatedNode(int k);

}  // namespace ryk
