// The image windows' menu commands: which make the window's image current,
// what they call, and how the window is repainted afterwards.
#include "image/image_commands.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "image/pick_commands.h"
#include "image/slots.h"
#include "imgproc/style_dialogs.h"
#include "rozoru/imgproc.h"
#include "rozoru/kav.h"
#include "rozoru/textwin.h"
#include "shell/core/shell.h"

namespace rozoru {

ImageClipboardHooks& imageClipboardHooks() {
  static ImageClipboardHooks hooks;
  return hooks;
}

int promptNumber(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (std::isspace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Accumulate towards the sign's side so that INT_MIN itself is reachable.
  long long value = 0;
  for (; std::isdigit(*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

// Text window 0 opened (or brought forward) and made current, the question
// printed, and the answer read. False when the input was cancelled, or when
// the answer would no longer be for this window's image: it was destroyed or
// made anew while the line was typed.
bool prompt(const char* question, int id, int& answer) {
  const Hwnd window = kav_image[id].window;
  KAV_OpenTextWindow(0, -1, -1, -1, -1);
  KAV_Printf(question, id);
  char line[256] = {};
  if (KAV_ReadLine(line) != 0) return false;
  answer = promptNumber(line);
  return kav_image[id].inUse && kav_image[id].window == window;
}

// A line input already waiting (a menu chosen while the application reads a
// line) would have its line taken by the prompt: the prompt is refused.
bool lineInputBusy(int id) {
  if (!shell().lineInputWaiting || !shell().lineInputWaiting()) return false;
  KAV_Printf("[%d] A line input is waiting; answer it first\n", id);
  std::fprintf(stderr, "rozoru: image %d: a line input is waiting; prompt refused\n", id);
  return true;
}

void zoomPrompt(int id) {
  int zoom = 0;
  if (lineInputBusy(id)) return;
  if (prompt("[%d] Zoom(%%)=", id, zoom)) KAV_SetZoom(id, zoom);
}

void resizePrompt(int id) {
  int width = 0, height = 0;
  if (lineInputBusy(id)) return;
  if (!prompt("[%d] New x-size(pixel)=", id, width) || !prompt("[%d] New y-size(pixel)=", id, height)) return;
  const int result = KAV_ResizeImage(id, width, height);
  if (result == 0) return;
  const char* why = result == 2 ? "no zoom fits the screen" : "not enough memory";
  KAV_Printf("[%d] Cannot resize to %d x %d: %s\n", id, width, height, why);
  std::fprintf(stderr, "rozoru: image %d: cannot resize to %d x %d: %s\n", id, width, height, why);
}

// Commands that work on the current image: the window's image becomes it.
bool selectWindowImage(int id) { return KAV_FindAndSelectImage(kav_image[id].window) >= 0; }

void testPattern(int id, void (*pattern)()) {
  if (!selectWindowImage(id)) return;
  pattern();
  invalidateImage(id);
}

void inPlace(int id, void (*operation)(int)) {
  operation(id);
  invalidateImage(id);
}

// Rotations and scalings repaint by themselves.
void resampled(int id, void (*operation)()) {
  if (selectWindowImage(id)) operation();
}

void scaled(int id, int factor) {
  if (selectWindowImage(id)) KAV_ScaleImage(factor);
}

}  // namespace

void runImageCommand(int id, int command) {
  if (id < 0 || id > 255 || !kav_image[id].inUse) return;
  const ImageClipboardHooks& clipboard = imageClipboardHooks();
  switch (command) {
    case imgcmd::Load:
      if (imageFileHooks().loadWithDialog) imageFileHooks().loadWithDialog(id);
      break;
    case imgcmd::SaveAs:
      if (imageFileHooks().saveWithDialog) imageFileHooks().saveWithDialog(id);
      break;
    case imgcmd::Destroy:
      KAV_DestroyImage(id);
      break;
    case imgcmd::Zoom50:
      KAV_SetZoom(id, 50);
      break;
    case imgcmd::Zoom100:
      KAV_SetZoom(id, 100);
      break;
    case imgcmd::Zoom200:
      KAV_SetZoom(id, 200);
      break;
    case imgcmd::ZoomPrompt:
      zoomPrompt(id);
      break;
    case imgcmd::ResizePrompt:
      resizePrompt(id);
      break;
    case imgcmd::Cut:
      // A picture that did not reach the clipboard would be lost: it stays.
      if (clipboard.copy && clipboard.copy(id)) inPlace(id, KAV_ClearImage);
      break;
    case imgcmd::Copy:
      if (clipboard.copy) clipboard.copy(id);
      break;
    case imgcmd::Paste:
      if (clipboard.paste) clipboard.paste(id, -1, -1);
      break;
    case imgcmd::PasteAtOrigin:
      if (clipboard.paste) clipboard.paste(id, 0, 0);
      break;
    case imgcmd::Invert:
      inPlace(id, KAV_Invert);
      break;
    case imgcmd::FlipHorizontal:
      inPlace(id, KAV_FlipHorizontal);
      break;
    case imgcmd::FlipVertical:
      inPlace(id, KAV_FlipVertical);
      break;
    case imgcmd::RotateRight:
      resampled(id, KAV_RotateRight);
      break;
    case imgcmd::RotateLeft:
      resampled(id, KAV_RotateLeft);
      break;
    case imgcmd::Size50:
      scaled(id, 500);
      break;
    case imgcmd::Size70:
      scaled(id, 707);
      break;
    case imgcmd::Size141:
      scaled(id, 1414);
      break;
    case imgcmd::Size200:
      scaled(id, 2000);
      break;
    case imgcmd::TestRgb:
      testPattern(id, KAV_TestPatternRgb);
      break;
    case imgcmd::TestHsv:
      testPattern(id, KAV_TestPatternHsv);
      break;
    case imgcmd::TestYCrCb:
      testPattern(id, KAV_TestPatternYCrCb);
      break;
    case imgcmd::TestYuv:
      testPattern(id, KAV_TestPatternYuv);
      break;
    case imgcmd::TestYiq:
      testPattern(id, KAV_TestPatternYiq);
      break;
    case imgcmd::TestGrey:
      testPattern(id, KAV_TestPatternGrey);
      break;
    // The dialogs change settings, not pixels: nothing to repaint.
    case imgcmd::ColourChange:
      changeDrawColour(id);
      break;
    case imgcmd::FontChange:
      changeTrueTypeFont(id);
      break;
    default:
      runPickCommand(id, command);
      break;
  }
}

}  // namespace rozoru
