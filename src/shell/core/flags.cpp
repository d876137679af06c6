// The flags shared by the GUI thread, the worker and the application.
#include "rozoru/kav.h"

std::atomic<int> kav_start{0};
std::atomic<int> kav_running{0};
std::atomic<int> kav_stop{0};
std::atomic<int> kav_exit{0};
std::atomic<int> kav_keyflag{0};
