// The process entry of a ROZORU program that brings no entry of its own; the
// application supplies the hooks.
#include "shell/qt/framework.h"

int main(int argc, char** argv) { return rozoru::runApplication(argc, argv, "A program on the ROZORU framework."); }
