// An in-memory window system for tests of the shell without a display.
//
// Thread-safe. Operations that a real window system runs on the GUI thread
// can be routed there (guiQueue) to check that the GUI serves them.
#pragma once

#include <algorithm>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "shell/core/message_queue.h"
#include "shell/core/window_system.h"

namespace rozoru::test {

class FakeWindowSystem final : public WindowSystem {
 public:
  // When set, setCaption runs as a call on this queue and waits for it.
  MessageQueue* guiQueue = nullptr;
  bool failCreate = false;
  // Screen quantities reported by metrics().
  ScreenMetrics screen{.screenWidth = 1280, .screenHeight = 1024, .fullWidth = 1280, .fullHeight = 976,
                       .captionHeight = 24, .minClientWidth = 112, .minClientHeight = 10, .colorDepth = 24};

  struct Picture {
    int width = 0, height = 0, count = 0;
    std::vector<std::uint32_t> pixels;
  };
  struct Control {
    ControlKind kind = ControlKind::Button;
    Rect rect;
    std::string text;
  };

  bool create(Hwnd h, const CreateParams& p) override {
    const int x = std::max(p.x, 0), y = std::max(p.y, 0);
    locked([&] { captions_[h] = p.title, frames_[h] = Rect{x, y, x + p.clientWidth, y + p.clientHeight}; });
    return !failCreate;
  }
  void destroy(Hwnd h) override { locked([&] { captions_.erase(h), controls_.erase(h); }); }
  void setCaption(Hwnd h, const std::string& text) override {
    if (!guiQueue) return locked([&] { captions_[h] = text; });
    std::promise<void> done;
    guiQueue->postCall([&] { locked([&] { captions_[h] = text; }), done.set_value(); });
    done.get_future().get();
  }
  std::string caption(Hwnd h) override { return locked([&] { return captions_.contains(h) ? captions_[h] : ""; }); }
  void setClientSize(Hwnd h, int width, int height) override {
    locked([&] { frames_[h].right = frames_[h].left + width, frames_[h].bottom = frames_[h].top + height; });
  }
  Rect frameRect(Hwnd h) override { return locked([&] { return frames_[h]; }); }
  Rect clientRect(Hwnd) override { return {}; }
  void move(Hwnd h, int x, int y) override {
    locked([&] { Rect& r = frames_[h]; r = {x, y, x + r.right - r.left, y + r.bottom - r.top}; });
  }
  void show(Hwnd) override {}
  void setForeground(Hwnd) override {}
  void setAcceptDrops(Hwnd, bool accept) override { locked([&] { dropChanges_.push_back(accept); }); }
  void popupMenu(Hwnd h, const std::vector<MenuItem>& items) override { locked([&] { popups_.emplace_back(h, items); }); }
  void messageBox(Hwnd owner, const std::string& text, const std::string& caption, MessageBoxIcon) override {
    locked([&] { messages_.push_back(std::to_string(owner) + " " + caption + ": " + text.substr(0, text.find('\n'))); });
  }
  void present(Hwnd h, const std::uint32_t* pixels, int width, int height, int stride) override {
    locked([&] {
      Picture& p = presented_[h];
      p = {width, height, p.count + 1, {}};
      for (int y = 0; y < height; ++y) p.pixels.insert(p.pixels.end(), pixels + y * stride, pixels + y * stride + width);
    });
  }
  void setStatusText(Hwnd, const std::string& text) override { locked([&] { status_ = text; }); }
  ScreenMetrics metrics() override { return screen; }
  std::uint32_t modifiers() override { return 0; }
  bool addControl(Hwnd h, ControlKind kind, int id, const Rect& r, const std::string& text) override {
    return locked([&] { return captions_.contains(h) && (controls_[h][id] = Control{kind, r, text}, true); });
  }
  void setControlText(Hwnd h, int id, const std::string& text) override {
    locked([&] { if (Control* c = control(h, id)) c->text = text; });
  }
  std::string controlText(Hwnd h, int id) override {
    return locked([&] { return control(h, id) ? control(h, id)->text : ""; });
  }
  void setControlRect(Hwnd h, int id, const Rect& r) override {
    locked([&] { if (Control* c = control(h, id)) c->rect = r; });
  }
  void focusControl(Hwnd h, int id, bool selectAll) override {
    locked([&] { focus_ = {h, id}, focusSelectAll_ = selectAll; });
  }
  void fixHeight(Hwnd h) override { locked([&] { fixedHeight_.insert(h); }); }
  // The colour dialog answers this (none: cancelled); the font dialog is cancelled.
  std::optional<std::uint32_t> colourAnswer;
  std::optional<std::uint32_t> chooseColour(Hwnd h, std::uint32_t, std::array<std::uint32_t, 16>&) override {
    return locked([&] { return dialogOwners_.push_back(h), colourAnswer; });
  }
  bool chooseFont(Hwnd h, FontChoice&) override { return locked([&] { dialogOwners_.push_back(h); }), false; }
  // The clipboard, in memory; failClipboard makes it refuse content.
  bool failClipboard = false;
  bool setClipboard(const std::vector<ClipboardEntry>& formats) override {
    return locked([&] { return !failClipboard && (clipboard_ = formats, true); });
  }
  std::vector<std::string> clipboardTypes() override {
    return locked([&] {
      std::vector<std::string> types;
      for (const ClipboardEntry& e : clipboard_) types.push_back(e.mimeType);
      return types;
    });
  }
  std::vector<std::uint8_t> clipboardData(const std::string& type) override {
    return locked([&] {
      for (const ClipboardEntry& e : clipboard_)
        if (e.mimeType == type) return e.bytes;
      return std::vector<std::uint8_t>{};
    });
  }

  // What the tests look at.
  std::map<int, Control> controls(Hwnd h) const {
    return locked([&] { return controls_.contains(h) ? controls_.at(h) : std::map<int, Control>{}; });
  }
  std::pair<Hwnd, int> focus() const { return locked([&] { return focus_; }); }
  bool focusSelectedAll() const { return locked([&] { return focusSelectAll_; }); }
  bool heightFixed(Hwnd h) const { return locked([&] { return fixedHeight_.contains(h); }); }
  std::vector<bool> dropChanges() const { return locked([&] { return dropChanges_; }); }
  Picture presented(Hwnd h) const { return locked([&] { return presented_.contains(h) ? presented_.at(h) : Picture{}; }); }
  std::vector<std::pair<Hwnd, std::vector<MenuItem>>> popups() const { return locked([&] { return popups_; }); }
  bool exists(Hwnd h) const { return locked([&] { return captions_.contains(h); }); }
  std::string status() const { return locked([&] { return status_; }); }
  std::vector<Hwnd> dialogOwners() const { return locked([&] { return dialogOwners_; }); }
  // Message boxes shown, as "owner caption: first line of the text".
  std::vector<std::string> messages() const { return locked([&] { return messages_; }); }

 private:
  template <class F>
  auto locked(F f) const -> decltype(f()) {
    std::lock_guard lock(mutex_);
    return f();
  }
  Control* control(Hwnd h, int id) {  // with the lock held
    return controls_.contains(h) && controls_[h].contains(id) ? &controls_[h][id] : nullptr;
  }

  mutable std::mutex mutex_;
  std::map<Hwnd, std::string> captions_;
  std::map<Hwnd, Rect> frames_;
  std::vector<bool> dropChanges_;
  std::map<Hwnd, Picture> presented_;
  std::vector<std::pair<Hwnd, std::vector<MenuItem>>> popups_;
  std::string status_;
  std::map<Hwnd, std::map<int, Control>> controls_;
  std::pair<Hwnd, int> focus_{0, 0};
  bool focusSelectAll_ = false;
  std::set<Hwnd> fixedHeight_;
  std::vector<Hwnd> dialogOwners_;
  std::vector<std::string> messages_;
  std::vector<ClipboardEntry> clipboard_;
};

}  // namespace rozoru::test
