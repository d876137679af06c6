// What the framework needs of the platform's window system.
//
// Thread-safe: every operation may be called from any thread. The Qt
// implementation runs window operations on the GUI thread and returns their
// results to the caller; tests use an in-memory implementation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/core/message.h"

namespace rozoru {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct MenuItem {
  std::string text;  // '&' marks the mnemonic, '\t' separates the shortcut text
  int id = 0;
  bool separator = false;
  bool enabled = true;
  bool checked = false;
  std::vector<MenuItem> submenu;
};

struct WindowStyle {
  bool caption = true;
  bool closeBox = true;
  bool resizable = false;
  bool acceptDrops = false;
  // The client area only holds controls: a right click on it outside them
  // is a right click on the frame (NcRButtonDown).
  bool backgroundIsFrame = false;
};

struct CreateParams {
  std::string className;
  std::string title;
  int x = -1, y = -1;  // -1: let the window system choose
  int clientWidth = 100, clientHeight = 100;
  WindowStyle style;
};

// Screen quantities the layout rules need, in pixels.
struct ScreenMetrics {
  int screenWidth = 0;      // whole screen
  int screenHeight = 0;
  int fullWidth = 0;        // usable area for a maximised window's client
  int fullHeight = 0;
  int captionHeight = 0;    // height of a window caption
  int minClientWidth = 0;   // smallest client area a captioned window can have
  int minClientHeight = 0;
  int colorDepth = 0;       // bits per pixel of the display
};

// What the font dialog shows and gives back: the pixel height of a
// character cell and the style (weight 0 is the face's default).
struct FontChoice {
  int height = 16;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

enum class MessageBoxIcon { None, Error, Warning, Information };

// One format of the clipboard's content: its MIME type and bytes.
struct ClipboardEntry {
  std::string mimeType;
  std::vector<std::uint8_t> bytes;
};

// Native child controls of a framework window. Their input comes back to the
// window's owner as Control messages; a button takes no keyboard focus, so
// keys stay with the window.
enum class ControlKind { Button, Label, Edit };

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Creates the native window for an already registered handle. False when
  // the window system could not make it.
  virtual bool create(Hwnd h, const CreateParams& p) = 0;
  virtual void destroy(Hwnd h) = 0;
  virtual void setCaption(Hwnd h, const std::string& text) = 0;
  virtual std::string caption(Hwnd h) = 0;
  virtual void setClientSize(Hwnd h, int width, int height) = 0;
  virtual Rect frameRect(Hwnd h) = 0;   // outer rectangle on the screen
  virtual Rect clientRect(Hwnd h) = 0;  // (0, 0, width, height)
  virtual void move(Hwnd h, int x, int y) = 0;  // outer top-left corner
  virtual void show(Hwnd h) = 0;
  virtual void setForeground(Hwnd h) = 0;
  virtual void setAcceptDrops(Hwnd h, bool accept) = 0;
  // Opens a popup menu at the pointer; a chosen item arrives at h as a
  // Command message with its id.
  virtual void popupMenu(Hwnd h, const std::vector<MenuItem>& items) = 0;
  // Modal; returns when the user closed it.
  virtual void messageBox(Hwnd owner, const std::string& text, const std::string& caption,
                          MessageBoxIcon icon) = 0;
  // Copies a 0x00RRGGBB picture into the window's front buffer and schedules
  // a repaint. Returns at once; the caller's pixels may change afterwards.
  virtual void present(Hwnd h, const std::uint32_t* pixels, int width, int height,
                       int stridePixels) = 0;
  virtual void setStatusText(Hwnd mainWindow, const std::string& text) = 0;
  virtual ScreenMetrics metrics() = 0;
  // Ctrl and Shift held now.
  virtual std::uint32_t modifiers() = 0;

  // --- child controls (window systems without them make none) ---
  // Adds a control with a window-unique id at r (client coordinates). A
  // button's text may hold line feeds. False when it could not be made.
  virtual bool addControl(Hwnd, ControlKind, int /*id*/, const Rect& /*r*/, const std::string& /*text*/) {
    return false;
  }
  virtual void setControlText(Hwnd, int /*id*/, const std::string& /*text*/) {}
  virtual std::string controlText(Hwnd, int /*id*/) { return {}; }
  virtual void setControlRect(Hwnd, int /*id*/, const Rect& /*r*/) {}
  // Keyboard focus to a control, selecting all its text when selectAll.
  virtual void focusControl(Hwnd, int /*id*/, bool /*selectAll*/) {}
  // Keeps the window's height as it is against the user's dragging.
  virtual void fixHeight(Hwnd) {}

  // --- modal dialogs owned by a window (window systems without them answer
  // as cancelled) ---
  // The colour dialog at initial (0x00RRGGBB) with 16 custom colours, which
  // it updates as the user edits them (also when cancelled). The chosen
  // colour, or none when cancelled.
  virtual std::optional<std::uint32_t> chooseColour(Hwnd, std::uint32_t /*initial*/,
                                                    std::array<std::uint32_t, 16>& /*custom*/) {
    return std::nullopt;
  }
  // The font dialog initialised from font; true and font changed when the
  // user accepted, false and font untouched when cancelled.
  virtual bool chooseFont(Hwnd, FontChoice& /*font*/) { return false; }

  // --- the desktop clipboard's data (window systems without a clipboard
  // hold nothing and take nothing) ---
  // Replaces the clipboard's content with these formats, all of them one
  // picture (none: empties it). False when the clipboard did not take them.
  virtual bool setClipboard(const std::vector<ClipboardEntry>& /*formats*/) { return false; }
  // The MIME types the clipboard offers now, in its order.
  virtual std::vector<std::string> clipboardTypes() { return {}; }
  // The bytes under a type; empty when the clipboard has none.
  virtual std::vector<std::uint8_t> clipboardData(const std::string& /*mimeType*/) { return {}; }
};

}  // namespace rozoru
