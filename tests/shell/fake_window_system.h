// An in-memory window system for tests of the shell without a display.
//
// Thread-safe. Operations that a real window system runs on the GUI thread
// can be routed there (guiQueue) to check that the GUI serves them.
#pragma once

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
  ScreenMetrics screen = [] {
    ScreenMetrics m;
    m.screenWidth = 1280;
    m.screenHeight = 1024;
    m.fullWidth = 1280;
    m.fullHeight = 976;
    m.captionHeight = 24;
    m.minClientWidth = 112;
    m.minClientHeight = 10;
    m.colorDepth = 24;
    return m;
  }();

  struct Picture {
    int width = 0, height = 0, count = 0;
    std::vector<std::uint32_t> pixels;
  };

  bool create(Hwnd h, const CreateParams& p) override {
    std::lock_guard lock(mutex_);
    captions_[h] = p.title;
    const int x = p.x < 0 ? 0 : p.x, y = p.y < 0 ? 0 : p.y;
    frames_[h] = Rect{x, y, x + p.clientWidth, y + p.clientHeight};
    return !failCreate;
  }
  void destroy(Hwnd h) override {
    std::lock_guard lock(mutex_);
    captions_.erase(h);
    std::erase_if(controls_, [h](const auto& kv) { return kv.first.first == h; });
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
    auto it = captions_.find(h);
    return it == captions_.end() ? std::string() : it->second;
  }
  void setClientSize(Hwnd h, int width, int height) override {
    std::lock_guard lock(mutex_);
    Rect& r = frames_[h];
    r.right = r.left + width;
    r.bottom = r.top + height;
  }
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
  void popupMenu(Hwnd h, const std::vector<MenuItem>& items) override {
    std::lock_guard lock(mutex_);
    popups_.emplace_back(h, items);
  }
  void messageBox(Hwnd, const std::string&, const std::string&, MessageBoxIcon) override {}
  void present(Hwnd h, const std::uint32_t* pixels, int width, int height, int stride) override {
    std::lock_guard lock(mutex_);
    Picture& p = presented_[h];
    p.width = width;
    p.height = height;
    p.pixels.clear();
    for (int y = 0; y < height; ++y)
      p.pixels.insert(p.pixels.end(), pixels + static_cast<std::ptrdiff_t>(y) * stride,
                      pixels + static_cast<std::ptrdiff_t>(y) * stride + width);
    ++p.count;
  }
  void setStatusText(Hwnd, const std::string& text) override {
    std::lock_guard lock(mutex_);
    status_ = text;
  }
  ScreenMetrics metrics() override { return screen; }
  std::uint32_t modifiers() override { return 0; }

  struct Control {
    ControlKind kind = ControlKind::Button;
    Rect rect;
    std::string text;
  };
  bool addControl(Hwnd h, ControlKind kind, int id, const Rect& r, const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (!captions_.count(h)) return false;
    controls_[{h, id}] = Control{kind, r, text};
    return true;
  }
  void setControlText(Hwnd h, int id, const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (auto it = controls_.find({h, id}); it != controls_.end()) it->second.text = text;
  }
  std::string controlText(Hwnd h, int id) override {
    std::lock_guard lock(mutex_);
    auto it = controls_.find({h, id});
    return it == controls_.end() ? std::string() : it->second.text;
  }
  void setControlRect(Hwnd h, int id, const Rect& r) override {
    std::lock_guard lock(mutex_);
    if (auto it = controls_.find({h, id}); it != controls_.end()) it->second.rect = r;
  }
  void focusControl(Hwnd h, int id, bool selectAll) override {
    std::lock_guard lock(mutex_);
    focus_ = {h, id};
    focusSelectAll_ = selectAll;
  }
  void fixHeight(Hwnd h) override {
    std::lock_guard lock(mutex_);
    fixedHeight_.insert(h);
  }
  // The controls of h by id.
  std::map<int, Control> controls(Hwnd h) const {
    std::lock_guard lock(mutex_);
    std::map<int, Control> out;
    for (const auto& [key, c] : controls_)
      if (key.first == h) out[key.second] = c;
    return out;
  }
  std::pair<Hwnd, int> focus() const {
    std::lock_guard lock(mutex_);
    return focus_;
  }
  bool focusSelectedAll() const {
    std::lock_guard lock(mutex_);
    return focusSelectAll_;
  }
  bool heightFixed(Hwnd h) const {
    std::lock_guard lock(mutex_);
    return fixedHeight_.count(h) != 0;
  }

  void setFrame(Hwnd h, Rect r) {
    std::lock_guard lock(mutex_);
    frames_[h] = r;
  }
  std::vector<bool> dropChanges() const {
    std::lock_guard lock(mutex_);
    return dropChanges_;
  }
  Picture presented(Hwnd h) const {
    std::lock_guard lock(mutex_);
    auto it = presented_.find(h);
    return it == presented_.end() ? Picture{} : it->second;
  }
  std::vector<std::pair<Hwnd, std::vector<MenuItem>>> popups() const {
    std::lock_guard lock(mutex_);
    return popups_;
  }
  bool exists(Hwnd h) const {
    std::lock_guard lock(mutex_);
    return captions_.count(h) != 0;
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
  std::map<Hwnd, Picture> presented_;
  std::vector<std::pair<Hwnd, std::vector<MenuItem>>> popups_;
  std::string status_;
  std::map<std::pair<Hwnd, int>, Control> controls_;
  std::pair<Hwnd, int> focus_{0, 0};
  bool focusSelectAll_ = false;
  std::set<Hwnd> fixedHeight_;
};

}  // namespace rozoru::test
