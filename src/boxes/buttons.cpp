#include "boxes/buttons.h"

int kav_button[256] = {};

namespace rozoru {

namespace {
int g_count = 0;
}

int buttonCount() { return g_count; }

void setButtonCount(int count) { g_count = count < 0 ? 0 : (count > 256 ? 256 : count); }

bool pressButtonByKey(int k) {
  if (k < 0 || k >= g_count) return false;
  kav_button[k] = 1;
  return true;
}

}  // namespace rozoru
