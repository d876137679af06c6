#include "imgproc/style_dialogs.h"

#include "imgproc/draw_state.h"
#include "rozoru/draw.h"
#include "shell/core/shell.h"

namespace rozoru {

namespace {

Hwnd ownerOf(int id) {
  return id >= 0 && id < KAV_MAX_IMAGES && kav_image[id].inUse ? kav_image[id].window : 0;
}

}  // namespace

std::array<Pixel32, 16>& customColours() {
  static std::array<Pixel32, 16> colours{};
  return colours;
}

int changeDrawColour(int id) {
  const Pixel32 initial = KAV_GetDrawColor() & 0xFFFFFF;
  std::optional<std::uint32_t> chosen;
  if (WindowSystem* ws = shell().windowSystem()) chosen = ws->chooseColour(ownerOf(id), initial, customColours());
  // A cancelled dialog still hands back its colour, the initial one: the
  // three colours are equal afterwards either way.
  const Pixel32 c = chosen ? (*chosen & 0xFFFFFF) : initial;
  KAV_SetDrawColor(c);
  kav_tc = c;
  kav_tttc = c;
  return chosen ? 0 : 1;
}

int changeTrueTypeFont(int id) {
  TrueTypeFontDesc& f = drawState().font;
  FontChoice choice{.height = f.height, .weight = f.weight, .italic = f.italic, .underline = f.underline};
  WindowSystem* ws = shell().windowSystem();
  if (!ws || !ws->chooseFont(ownerOf(id), choice)) return 1;
  f.weight = choice.weight;
  f.italic = choice.italic;
  f.underline = choice.underline;
  // The width given to the font follows its height: half of it, the
  // natural width of the face's half-width characters.
  const int half = choice.height == f.height ? f.halfWidth : choice.height / 2;
  return KAV_SetTrueTypeCell(half * 2, choice.height) == 0 ? 0 : 2;
}

}  // namespace rozoru
