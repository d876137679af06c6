// The framework's subsystems as a program has them: installed into the shell
// when the program starts, released before QApplication ends. This file sits
// above the shell and the subsystems, so the shell includes none of them.
#include "boxes/boxes.h"
#include "image/image_commands.h"
#include "image/picks.h"
#include "image/slots.h"
#include "imageio/clipboard.h"
#include "imageio/image_file.h"
#include "imageio/qt_codec.h"
#include "imgproc/qt_truetype.h"
#include "program/main_menu_commands.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "textwin/qt_text.h"
#include "textwin/textwin.h"

namespace rozoru {

void installSubsystems(QtWindowSystem& ws, int instance) {
  installImageSlots();
  imageio::installQt(ws);
  imageio::installClipboard();
  shell().pasteAsNewImage = [] { imageio::pasteAsNewImage(); };  // the main window's Paste
  textwin::installQt(ws, instance);
  mainmenu::install();  // after the text windows' hooks
  picks::install();  // after the text windows' hooks
  boxes::install();
  startTrueType(makeQtTrueTypeEngine());
}

void releaseSubsystems() {
  // Text surfaces and the TrueType font hold Qt fonts and images: they go
  // while Qt still runs.
  boxes::reset();
  textwin::reset();
  releaseTrueType();
  textwin::hooks() = {};
  imageClipboardHooks() = {};
  shell().pasteAsNewImage = {};
  shell().closeLogs = {};
  releaseAllImages();
  imageio::setCodec(nullptr);
}

}  // namespace rozoru
