// The stereo program's process entry: the cameras attached to the machine.
#include "shell/qt/framework.h"

int main(int argc, char** argv) {
  return rozoru::runApplication(argc, argv, "Live stereo photography with two video cameras.");
}
