// An in-memory window system for tests of the shell without a display.
//
// Thread-safe. Operations that a real window system runs on the GUI thread
// can be routed there (guiQueue) to check that the GUI serves them.
#pragma once

#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "shell/core/message_queue.h"
#include "shell/core/window_system.h"

namespace rozoru::test {

class FakeWindowSystem final : public WindowSystem {
 public:
  // When set, setCaption runs as a call on this queue and waits for it.
  MessageQueue* guiQueue = nullptr;

  bool create(Hwnd h, const CreateParams& p) override {
    std::lock_guard lock(mutex_);
    captions_[h] = p.title;
    return true;
  }
  void destroy(Hwnd h) override {
    std::lock_guard lock(mutex_);
    captions_.erase(h);
  }
  void setCaption(Hwnd h, const std::string& text) override {
    if (guiQueue) {
      auto done = std::make_shared<std::promise<void>>();
      auto f = done->get_future();
      guiQueue->postCall([this, h, text, done] {
        {
          std::lock_guard lock(mutex_);
          captions_[h] = text;
        }
        done->set_value();
      });
      f.get();
      return;
    }
    std::lock_guard lock(mutex_);
    captions_[h] = text;
  }
  std::string caption(Hwnd h) override {
    std::lock_guard lock(mutex_);
    return captions_[h];
  }
  void setClientSize(Hwnd, int, int) override {}
  Rect frameRect(Hwnd h) override {
    std::lock_guard lock(mutex_);
    return frames_[h];
  }
  Rect clientRect(Hwnd) override { return {}; }
  void move(Hwnd h, int x, int y) override {
    std::lock_guard lock(mutex_);
    Rect& r = frames_[h];
    r = {x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
  }
  void show(Hwnd) override {}
  void setForeground(Hwnd) override {}
  void setAcceptDrops(Hwnd, bool accept) override {
    std::lock_guard lock(mutex_);
    dropChanges_.push_back(accept);
  }
  void popupMenu(Hwnd, const std::vector<MenuItem>&) override {}
  void messageBox(Hwnd, const std::string&, const std::string&, MessageBoxIcon) override {}
  void present(Hwnd, const std::uint32_t*, int, int, int) override {}
  void setStatusText(Hwnd, const std::string& text) override {
    std::lock_guard lock(mutex_);
    status_ = text;
  }
  ScreenMetrics metrics() override {
    ScreenMetrics m;
    m.screenWidth = 1280;
    m.screenHeight = 1024;
    m.fullWidth = 1280;
    m.fullHeight = 976;
    m.captionHeight = 24;
    m.colorDepth = 24;
    return m;
  }
  std::uint32_t modifiers() override { return 0; }

  void setFrame(Hwnd h, Rect r) {
    std::lock_guard lock(mutex_);
    frames_[h] = r;
  }
  std::vector<bool> dropChanges() const {
    std::lock_guard lock(mutex_);
    return dropChanges_;
  }
  std::string status() const {
    std::lock_guard lock(mutex_);
    return status_;
  }

 private:
  mutable std::mutex mutex_;
  std::map<Hwnd, std::string> captions_;
  std::map<Hwnd, Rect> frames_;
  std::vector<bool> dropChanges_;
  std::string status_;
};

}  // namespace rozoru::test
