// The window-system layer over Qt Widgets.
//
// Every QObject here lives on the GUI thread. QtWindowSystem's operations may
// be called from any thread: off the GUI thread they are queued to it as calls
// and the caller blocks for the result (the GUI thread serves those calls even
// while it waits for the worker). Qt input on a window becomes a framework
// message in its owner's queue.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "shell/core/pump.h"
#include "shell/core/window_system.h"

class QEventLoop;
class QLabel;
class QMenuBar;

namespace rozoru {

// The GUI thread's pump: framework messages and calls for the GUI thread in a
// queue, drained from Qt's event loop; waits run a nested Qt event loop.
class GuiPump final : public Pump {
 public:
  GuiPump();
  ~GuiPump() override;
  int dispatchPending() override;
  void waitActivity(Clock::time_point deadline) override;
  void wake() override { queue_.wake(); }
  MessageQueue& queue() override { return queue_; }

  // Calls from other threads (QtWindowSystem::onGui). Any thread.
  // Blocks until done() holds or the calls are abandoned; returns done().
  bool waitCall(const std::function<bool()>& done);
  // Wakes the callers waiting in waitCall after a call has run.
  void callRan();
  // The GUI thread serves no more calls (the process ends without it, say
  // when the display connection went): waiting callers return at once, and
  // later ones do not wait.
  void abandonCalls();
  bool callsAbandoned() const { return abandoned_.load(); }

 private:
  void onActivity();  // any thread
  MessageQueue queue_;
  std::mutex callMutex_;
  std::condition_variable callDone_;
  std::atomic<bool> abandoned_{false};
  std::atomic<bool> drainPosted_{false};
  std::vector<QEventLoop*> waits_;  // GUI thread
  QObject* receiver_;
};

// A window's picture as last presented, painted by the GUI thread.
struct FrontBuffer {
  std::mutex mutex;
  QImage image;
  std::atomic<bool> updatePending{false};
  std::atomic<bool> presented{false};  // the next paint shows a present, not an expose
};

class QtWindowSystem final : public WindowSystem {
 public:
  explicit QtWindowSystem(GuiPump& guiPump);
  ~QtWindowSystem() override;

  bool create(Hwnd h, const CreateParams& p) override;
  void destroy(Hwnd h) override;
  void setCaption(Hwnd h, const std::string& text) override;
  std::string caption(Hwnd h) override;
  void setClientSize(Hwnd h, int width, int height) override;
  Rect frameRect(Hwnd h) override;
  Rect clientRect(Hwnd h) override;
  void move(Hwnd h, int x, int y) override;
  void show(Hwnd h) override;
  void setForeground(Hwnd h) override;
  void setAcceptDrops(Hwnd h, bool accept) override;
  void popupMenu(Hwnd h, const std::vector<MenuItem>& items) override;
  void messageBox(Hwnd owner, const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
  void present(Hwnd h, const std::uint32_t* pixels, int width, int height, int stridePixels) override;
  void setStatusText(Hwnd mainWindow, const std::string& text) override;
  ScreenMetrics metrics() override;
  std::uint32_t modifiers() override;
  // Child controls (qt_controls.cpp).
  bool addControl(Hwnd h, ControlKind kind, int id, const Rect& r, const std::string& text) override;
  void setControlText(Hwnd h, int id, const std::string& text) override;
  std::string controlText(Hwnd h, int id) override;
  void setControlRect(Hwnd h, int id, const Rect& r) override;
  void focusControl(Hwnd h, int id, bool selectAll) override;
  void fixHeight(Hwnd h) override;
  // Colour and font dialogs (qt_dialogs.cpp).
  std::optional<std::uint32_t> chooseColour(Hwnd owner, std::uint32_t initial,
                                            std::array<std::uint32_t, 16>& custom) override;
  bool chooseFont(Hwnd owner, FontChoice& font) override;
  // The desktop clipboard (qt_clipboard.cpp).
  bool setClipboard(const std::vector<ClipboardEntry>& formats) override;
  std::vector<std::string> clipboardTypes() override;
  std::vector<std::uint8_t> clipboardData(const std::string& mimeType) override;

  // How a dialog shown by runDialog ended.
  enum class DialogEnd { Accepted, Rejected, Unanswered };
  // Shows the dialog that make(the owner's widget) returns, holding the
  // input of its owner's window only (of all windows when there is no
  // owner), and blocks the caller
  // until it ends; read(dialog, accepted) runs on the GUI thread as it ends,
  // before the caller returns. The GUI thread keeps running its event loop
  // meanwhile, so that Exit can end the dialog (endDialogs). Unanswered: not
  // shown (Exit has begun, the calls were abandoned) or gone with its owner.
  // From any thread.
  DialogEnd runDialog(Hwnd owner, const std::function<QDialog*(QWidget*)>& make,
                      const std::function<void(QDialog&, bool)>& read);
  // GUI thread: rejects and deletes every dialog runDialog shows, and leaves
  // later ones unanswered at once. For the exit sequence.
  void endDialogs();

  // GUI thread: the widget of a handle, nullptr when there is none.
  QWidget* widget(Hwnd h) const;
  // GUI thread: makes the main window, with its menu bar and status line.
  QWidget* createMainWindow(Hwnd h, int x, int y);
  std::shared_ptr<FrontBuffer> frontBuffer(Hwnd h) const;

  // Runs f on the GUI thread and returns its result; from any thread. For
  // the Qt adapters (dialogs, clipboard) that must run where Qt lives.
  template <class F>
  auto onGui(F&& f) -> decltype(f());

 private:
  GuiPump& guiPump_;
  // Context of queued repaints: deleting it with the window system drops
  // any still pending, so none runs against a window system that is gone.
  std::unique_ptr<QObject> context_;
  // GUI thread. Guarded pointers: deleting an owner deletes the windows it owns.
  std::map<Hwnd, QPointer<QWidget>> widgets_;
  QLabel* status_ = nullptr;          // GUI thread
  std::vector<QPointer<QDialog>> dialogs_;  // GUI thread
  bool dialogsEnded_ = false;               // GUI thread
  mutable std::mutex buffersMutex_;
  std::map<Hwnd, std::shared_ptr<FrontBuffer>> buffers_;
};

template <class F>
auto QtWindowSystem::onGui(F&& f) -> decltype(f()) {
  using R = decltype(f());
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) return f();
  // Abandoned calls answer as nothing done: an empty text, no window.
  if (guiPump_.callsAbandoned()) return R();
  auto task = std::make_shared<std::packaged_task<R()>>(std::forward<F>(f));
  auto result = task->get_future();
  GuiPump& pump = guiPump_;
  pump.queue().postCall([task, &pump] {
    (*task)();
    pump.callRan();
  });
  if (!pump.waitCall([&result] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }))
    return R();
  return result.get();
}

// Framework key code for a Qt key, 0 when the framework has none.
int frameworkKey(int qtKey, Qt::KeyboardModifiers modifiers);
// The keys that open a window's frame menu: the menu key and Shift+F10.
bool frameMenuKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Framework modifier bits for Qt's.
std::uint32_t frameworkModifiers(Qt::KeyboardModifiers m);

}  // namespace rozoru
