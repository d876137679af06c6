// The stereo capture program's hooks. Until the cameras are wired in, the
// Right and Left windows show a moving test picture with a horizontal
// parallax between them, and LR shows the pair side by side, squeezed.
#include <cstdint>

#include "app/composition.h"
#include "rozoru/kav.h"

namespace {

// A picture that moves with time t: diagonal colour bands and a bright square
// shifted by `parallax` pixels, as a near object would be between two eyes.
void drawTestPicture(Pixel32* px, int t, int parallax) {
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const auto band = static_cast<std::uint32_t>((x + y + t) & 0xFF);
      px[y * 320 + x] = (band << 16) | ((255 - band) << 8) | static_cast<std::uint32_t>((y * 255) / 239);
    }
  }
  const int cx = 130 + parallax + (t % 60), cy = 90;
  for (int y = cy; y < cy + 60; ++y)
    for (int x = cx; x < cx + 60; ++x)
      if (x >= 0 && x < 320) px[y * 320 + x] = 0x00FFFFFF;
}

}  // namespace

void KAV_Init() {
  KAV_CreateImage(0, "Right", 0, 0, 320, 240, 50);
  KAV_CreateImage(1, "Left", 320, 0, 320, 240, 50);
  KAV_CreateImage(2, "LR", 0, 0, 320, 240, 100);
  kav_start = 1;
}

void KAV_Main() {
  for (int t = 0; kav_stop.load() == 0; t += 2) {
    // A window the user closed is skipped, never written.
    const bool haveRight = kav_image[0].inUse && kav_image[0].width == 320 && kav_image[0].height == 240;
    const bool haveLeft = kav_image[1].inUse && kav_image[1].width == 320 && kav_image[1].height == 240;
    if (haveRight) drawTestPicture(KAV_ImagePixels[0], t, 0);
    if (haveLeft) drawTestPicture(KAV_ImagePixels[1], t, 12);
    if (haveRight) KAV_UpdateImage(0);
    if (haveLeft) KAV_UpdateImage(1);
    if (haveRight && haveLeft && kav_image[2].inUse && kav_image[2].width == 320 && kav_image[2].height == 240) {
      stereo::preview(KAV_ImagePixels[0], KAV_ImagePixels[1], KAV_ImagePixels[2]);
      KAV_UpdateImage(2);
    }
    if (KAV_Wait(33) != 0) break;
  }
}

void KAV_Exit() {}
