// The stereo demo: the stereo program on two synthetic cameras that look at
// a moving scene from two places side by side.
#include <cstdio>

#include "ryk/synthetic.h"
#include "shell/qt/framework.h"

int main(int argc, char** argv) {
  ryk_UseSyntheticCameras(2);
  return rozoru::runApplication(argc, argv);
}
