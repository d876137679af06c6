// The process entry of every ROZORU program; the application supplies the hooks.
#include "shell/qt/framework.h"

int main(int argc, char** argv) { return rozoru::runApplication(argc, argv); }
