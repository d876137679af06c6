// The Qt side of image files: decoding and encoding with Qt's image readers
// and writers (GIF written with giflib), the file dialogs, and the size probe
// for files dropped on the main window.
#pragma once

namespace rozoru {
class QtWindowSystem;
}

namespace rozoru::imageio {

// Installs the codec, the dialogs, the drop probe and request 9003.
void installQt(QtWindowSystem& ws);

}  // namespace rozoru::imageio
