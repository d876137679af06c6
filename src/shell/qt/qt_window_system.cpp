#include "shell/qt/qt_window_system.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <QWheelEvent>
#include <future>

#include "shell/core/shell.h"
#include "shell/core/windows.h"

namespace rozoru {

namespace {


Rect toRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

// The native side of one framework window: turns Qt input into framework
// messages for the window's owner and paints the front buffer.
class FrameWidget : public QWidget {
 public:
  FrameWidget(Hwnd h, std::shared_ptr<FrontBuffer> buffer, QWidget* parent, Qt::WindowFlags flags)
      : QWidget(parent, flags), handle_(h), buffer_(std::move(buffer)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
  }

  Hwnd handle() const { return handle_; }
  void setBackgroundIsFrame(bool on) { backgroundIsFrame_ = on; }

 protected:
  void post(Msg type, std::int64_t w = 0, std::int64_t l = 0, std::uint32_t mods = 0,
            std::shared_ptr<const void> payload = {}) {
    windowTable().post(Message{handle_, type, w, l, mods, std::move(payload)});
  }

  void keyPressEvent(QKeyEvent* e) override {
    const std::uint32_t mods = frameworkModifiers(e->modifiers());
    // The window manager keeps the caption's right clicks to itself: the
    // menu keys and the background (below) stand in for them.
    if (frameMenuKey(e->key(), e->modifiers())) return post(Msg::NcRButtonDown, 0, 0, mods);
    if (const int k = frameworkKey(e->key(), e->modifiers())) post(Msg::KeyDown, k, 0, mods);
    // Character input, as the keyboard layout produced it; Ctrl chords are commands.
    if (!(e->modifiers() & Qt::ControlModifier)) {
      for (QChar c : e->text())
        if (c.unicode() >= 0x20) post(Msg::Char, c.unicode(), 0, mods);
    }
  }

  static std::int64_t buttonsHeld(Qt::MouseButtons b) {
    std::int64_t out = 0;
    if (b & Qt::LeftButton) out |= mouse::Left;
    if (b & Qt::RightButton) out |= mouse::Right;
    if (b & Qt::MiddleButton) out |= mouse::Middle;
    return out;
  }
  void postMouse(Msg type, QMouseEvent* e) {
    post(type, buttonsHeld(e->buttons()),
         packXY(static_cast<int>(e->position().x()), static_cast<int>(e->position().y())),
         frameworkModifiers(e->modifiers()));
  }

  void mousePressEvent(QMouseEvent* e) override {
    switch (e->button()) {
      case Qt::LeftButton:
        return postMouse(Msg::LButtonDown, e);
      case Qt::RightButton:
        // Controls that ignore the right button pass it on here, at the
        // pointer's place in this window.
        if (backgroundIsFrame_ && !childAt(e->position().toPoint()))
          return post(Msg::NcRButtonDown, 0, 0, frameworkModifiers(e->modifiers()));
        return postMouse(Msg::RButtonDown, e);
      case Qt::MiddleButton:
        return postMouse(Msg::MButtonDown, e);
      default:
        break;
    }
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton)
      postMouse(Msg::LButtonDblClk, e);
    else
      mousePressEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) postMouse(Msg::LButtonUp, e);
  }
  void mouseMoveEvent(QMouseEvent* e) override { postMouse(Msg::MouseMove, e); }
  // The right button's press and the menu key's press already went to the
  // window's procedure; the context menu events that follow them add nothing.
  void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }
  void wheelEvent(QWheelEvent* e) override {
    post(Msg::MouseWheel, e->angleDelta().y(),
         packXY(static_cast<int>(e->position().x()), static_cast<int>(e->position().y())),
         frameworkModifiers(e->modifiers()));
  }

  void closeEvent(QCloseEvent* e) override {
    // The window's procedure decides; the native window stays until it is destroyed.
    e->ignore();
    post(Msg::Close);
  }

  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    const Rect now = toRect(frameGeometry());
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) {
      const Rect snapped = shell().snap(now, lastFrame_, true);
      if (snapped != now) {
        lastFrame_ = now;
        QWidget::move(snapped.left, snapped.top);
        return;
      }
    }
    lastFrame_ = now;
    post(Msg::Move, 0, packXY(now.left, now.top));
  }

  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    post(Msg::Size, e->size().width(), e->size().height());
  }

  void dragEnterEvent(QDragEnterEvent* e) override {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
  }
  void dropEvent(QDropEvent* e) override {
    auto files = std::make_shared<DroppedFiles>();
    for (const QUrl& url : e->mimeData()->urls())
      if (url.isLocalFile()) {
        // The name's own bytes: a name that is not UTF-8 must not be turned into text.
        files->paths.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
      }
    if (files->paths.empty()) return;
    e->acceptProposedAction();
    const auto count = static_cast<std::int64_t>(files->paths.size());
    post(Msg::DropFiles, count, 0, 0, std::move(files));
  }

  void paintEvent(QPaintEvent*) override {
    // A repaint the owner asked for shows the front buffer; any other (an
    // expose) also asks the owner to refresh it from its pixels.
    if (!buffer_->presented.exchange(false)) post(Msg::Paint);
    QPainter painter(this);
    std::lock_guard lock(buffer_->mutex);
    if (buffer_->image.isNull()) {
      painter.fillRect(rect(), paletteBackground());
    } else {
      painter.drawImage(0, 0, buffer_->image);
      const int w = buffer_->image.width(), h = buffer_->image.height();
      if (w < width()) painter.fillRect(w, 0, width() - w, height(), paletteBackground());
      if (h < height()) painter.fillRect(0, h, w, height() - h, paletteBackground());
    }
  }

  virtual QColor paletteBackground() const { return Qt::black; }

 private:
  Hwnd handle_;
  std::shared_ptr<FrontBuffer> buffer_;
  Rect lastFrame_;
  bool backgroundIsFrame_ = false;
};

// The main window: a menu bar with Start, Stop and Exit above a status line.
class MainWidget final : public FrameWidget {
 public:
  MainWidget(Hwnd h, std::shared_ptr<FrontBuffer> buffer)
      : FrameWidget(h, std::move(buffer), nullptr,
                    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    menuBar_ = new QMenuBar(this);
    addCommand("Start(&S)", cmd::Start);
    addCommand("Stop(&C)", cmd::Stop);
    addCommand("Exit(&X)", cmd::Exit);
    const int menuHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, 240, menuHeight);
    status_ = new QLabel("Ready", this);
    status_->setObjectName("status");
    status_->setGeometry(0, menuHeight + 6, 234, 20);
    setFixedSize(240, menuHeight + 32);
  }
  QLabel* status() const { return status_; }
  QMenuBar* menuBar() const { return menuBar_; }

 protected:
  QColor paletteBackground() const override { return palette().color(QPalette::Button); }
  // The menu bar keeps the right button's press to itself and passes on only
  // its context menu event: a right click there is one on the frame, as on a
  // window whose menu bar is part of its frame.
  void contextMenuEvent(QContextMenuEvent* e) override {
    e->accept();
    if (e->reason() == QContextMenuEvent::Mouse && menuBar_->geometry().contains(e->pos()))
      post(Msg::NcRButtonDown, 0, 0, frameworkModifiers(e->modifiers()));
  }

 private:
  void addCommand(const char* text, int id) {
    QAction* a = menuBar_->addAction(QString::fromUtf8(text));
    QObject::connect(a, &QAction::triggered, this, [this, id] { post(Msg::Command, id); });
  }
  QMenuBar* menuBar_;
  QLabel* status_;
};

}  // namespace

// --------------------------------------------------------- window system ---

QtWindowSystem::QtWindowSystem(GuiPump& guiPump) : guiPump_(guiPump), context_(std::make_unique<QObject>()) {}

QtWindowSystem::~QtWindowSystem() {
  for (QPointer<QDialog>& d : dialogs_) delete d.data();
  for (auto& [h, w] : widgets_) delete w.data();
}

QWidget* QtWindowSystem::widget(Hwnd h) const {
  auto it = widgets_.find(h);
  return it == widgets_.end() ? nullptr : it->second;
}

std::shared_ptr<FrontBuffer> QtWindowSystem::frontBuffer(Hwnd h) const {
  std::lock_guard lock(buffersMutex_);
  auto it = buffers_.find(h);
  return it == buffers_.end() ? nullptr : it->second;
}

QWidget* QtWindowSystem::createMainWindow(Hwnd h, int x, int y) {
  auto buffer = std::make_shared<FrontBuffer>();
  {
    std::lock_guard lock(buffersMutex_);
    buffers_[h] = buffer;
  }
  auto* w = new MainWidget(h, buffer);
  w->setWindowTitle("ROZORU");
  w->move(x, y);
  widgets_[h] = w;
  status_ = w->status();
  return w;
}

bool QtWindowSystem::create(Hwnd h, const CreateParams& p) {
  auto buffer = std::make_shared<FrontBuffer>();
  {
    std::lock_guard lock(buffersMutex_);
    buffers_[h] = buffer;
  }
  return onGui([&] {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (p.style.caption) flags |= Qt::WindowTitleHint;
    if (p.style.closeBox) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    if (!p.style.resizable) flags |= Qt::MSWindowsFixedSizeDialogHint;
    QWidget* owner = widget(shell().mainWindow());
    auto* w = new FrameWidget(h, buffer, owner, flags);
    // The worker's windows never take the keyboard from the window the user
    // types in; setForeground is the one way to activate them.
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setWindowTitle(QString::fromUtf8(p.title));
    if (p.style.resizable)
      w->resize(p.clientWidth, p.clientHeight);
    else
      w->setFixedSize(p.clientWidth, p.clientHeight);
    if (p.x >= 0 || p.y >= 0) w->move(p.x >= 0 ? p.x : w->x(), p.y >= 0 ? p.y : w->y());
    w->setAcceptDrops(p.style.acceptDrops);
    w->setBackgroundIsFrame(p.style.backgroundIsFrame);
    widgets_[h] = w;
    return true;
  });
}

void QtWindowSystem::destroy(Hwnd h) {
  onGui([&] {
    auto it = widgets_.find(h);
    if (it == widgets_.end()) return;
    QWidget* w = it->second.data();
    widgets_.erase(it);
    if (status_ && status_->window() == w) status_ = nullptr;
    delete w;
  });
  std::lock_guard lock(buffersMutex_);
  buffers_.erase(h);
}

void QtWindowSystem::setCaption(Hwnd h, const std::string& text) {
  onGui([&] {
    if (QWidget* w = widget(h)) w->setWindowTitle(QString::fromUtf8(text));
  });
}

std::string QtWindowSystem::caption(Hwnd h) {
  return onGui([&] {
    QWidget* w = widget(h);
    return w ? w->windowTitle().toStdString() : std::string();
  });
}

void QtWindowSystem::setClientSize(Hwnd h, int width, int height) {
  onGui([&] {
    QWidget* w = widget(h);
    if (!w) return;
    if (w->minimumSize() == w->maximumSize())
      w->setFixedSize(width, height);
    else
      w->resize(width, height);
  });
}

Rect QtWindowSystem::frameRect(Hwnd h) {
  return onGui([&] {
    QWidget* w = widget(h);
    return w ? toRect(w->frameGeometry()) : Rect{};
  });
}

Rect QtWindowSystem::clientRect(Hwnd h) {
  return onGui([&] {
    QWidget* w = widget(h);
    return w ? Rect{0, 0, w->width(), w->height()} : Rect{};
  });
}

void QtWindowSystem::move(Hwnd h, int x, int y) {
  onGui([&] {
    if (QWidget* w = widget(h)) w->move(x, y);
  });
}

void QtWindowSystem::show(Hwnd h) {
  onGui([&] {
    if (QWidget* w = widget(h)) w->show();
  });
}

void QtWindowSystem::setForeground(Hwnd h) {
  onGui([&] {
    if (QWidget* w = widget(h)) {
      w->show();
      w->raise();
      w->activateWindow();
    }
  });
}

void QtWindowSystem::setAcceptDrops(Hwnd h, bool accept) {
  onGui([&] {
    if (QWidget* w = widget(h)) w->setAcceptDrops(accept);
  });
}

namespace {
void fillMenu(QMenu* menu, const std::vector<MenuItem>& items, Hwnd h) {
  for (const MenuItem& item : items) {
    if (item.separator) {
      menu->addSeparator();
    } else if (!item.submenu.empty()) {
      QMenu* sub = menu->addMenu(QString::fromUtf8(item.text));
      sub->setEnabled(item.enabled);
      fillMenu(sub, item.submenu, h);
    } else {
      QAction* a = menu->addAction(QString::fromUtf8(item.text));
      a->setEnabled(item.enabled);
      if (item.checked) {
        a->setCheckable(true);
        a->setChecked(true);
      }
      const int id = item.id;
      QObject::connect(a, &QAction::triggered, menu,
                       [h, id] { windowTable().post(Message{h, Msg::Command, id, 0, 0, {}}); });
    }
  }
}
}  // namespace

void QtWindowSystem::popupMenu(Hwnd h, const std::vector<MenuItem>& items) {
  onGui([&] {
    QWidget* w = widget(h);
    auto* menu = new QMenu(w);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fillMenu(menu, items, h);
    // A menu opened from the keyboard appears on its window, not wherever
    // the pointer happens to be.
    QPoint at = QCursor::pos();
    if (w && !w->frameGeometry().contains(at)) at = w->mapToGlobal(QPoint(0, 0));
    menu->popup(at);
  });
}

void QtWindowSystem::messageBox(Hwnd owner, const std::string& text, const std::string& caption,
                                MessageBoxIcon icon) {
  QMessageBox::Icon qi = QMessageBox::NoIcon;
  switch (icon) {
    case MessageBoxIcon::Error:
      qi = QMessageBox::Critical;
      break;
    case MessageBoxIcon::Warning:
      qi = QMessageBox::Warning;
      break;
    case MessageBoxIcon::Information:
      qi = QMessageBox::Information;
      break;
    case MessageBoxIcon::None:
      break;
  }
  runDialog(
      owner,
      [&](QWidget* w) {
        return new QMessageBox(qi, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok, w);
      },
      [](QDialog&, bool) {});
}

void QtWindowSystem::present(Hwnd h, const std::uint32_t* pixels, int width, int height, int stridePixels) {
  std::shared_ptr<FrontBuffer> buffer = frontBuffer(h);
  if (!buffer || width <= 0 || height <= 0) return;
  {
    std::lock_guard lock(buffer->mutex);
    if (buffer->image.width() != width || buffer->image.height() != height) {
      QImage fresh(width, height, QImage::Format_RGB32);
      // Too big to allocate: the window keeps its last picture.
      if (fresh.isNull()) return;
      buffer->image = std::move(fresh);
    }
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* src = pixels + static_cast<std::ptrdiff_t>(y) * stridePixels;
      auto* dst = reinterpret_cast<std::uint32_t*>(buffer->image.scanLine(y));
      for (int x = 0; x < width; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  }
  if (buffer->updatePending.exchange(true)) return;
  QMetaObject::invokeMethod(
      context_.get(),
      [this, h, buffer] {
        buffer->updatePending = false;
        if (QWidget* w = widget(h)) {
          buffer->presented = true;
          w->update();
        }
      },
      Qt::QueuedConnection);
}

void QtWindowSystem::setStatusText(Hwnd, const std::string& text) {
  onGui([&] {
    if (status_) status_->setText(QString::fromUtf8(text));
  });
}

ScreenMetrics QtWindowSystem::metrics() {
  return onGui([] {
    ScreenMetrics m;
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return m;
    const QRect g = s->geometry();
    const QRect a = s->availableGeometry();
    m.captionHeight = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    m.screenWidth = g.width();
    m.screenHeight = g.height();
    m.fullWidth = a.width();
    m.fullHeight = a.height() - m.captionHeight;
    m.minClientWidth = 112;
    m.minClientHeight = 10;
    m.colorDepth = s->depth();
    return m;
  });
}

std::uint32_t QtWindowSystem::modifiers() {
  return onGui([] { return frameworkModifiers(QGuiApplication::queryKeyboardModifiers()); });
}

// ------------------------------------------------------------------ keys ---

int frameworkKey(int k, Qt::KeyboardModifiers m) {
  if (m & Qt::KeypadModifier) {
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return key::NumPad0 + (k - Qt::Key_0);
    if (k == Qt::Key_Insert) return key::NumPad0;
    if (k == Qt::Key_Plus) return key::Add;
    if (k == Qt::Key_Minus) return key::Subtract;
  }
  if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return k;
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return key::F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace:
      return key::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return key::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return key::Return;
    case Qt::Key_Escape:
      return key::Escape;
    case Qt::Key_Space:
      return key::Space;
    case Qt::Key_PageUp:
      return key::PageUp;
    case Qt::Key_PageDown:
      return key::PageDown;
    case Qt::Key_End:
      return key::End;
    case Qt::Key_Home:
      return key::Home;
    case Qt::Key_Left:
      return key::Left;
    case Qt::Key_Up:
      return key::Up;
    case Qt::Key_Right:
      return key::Right;
    case Qt::Key_Down:
      return key::Down;
    case Qt::Key_Delete:
      return key::Delete;
    case Qt::Key_Minus:
      return key::Minus;
    default:
      return 0;
  }
}

bool frameMenuKey(int qtKey, Qt::KeyboardModifiers m) {
  return qtKey == Qt::Key_Menu || (qtKey == Qt::Key_F10 && (m & Qt::ShiftModifier));
}

std::uint32_t frameworkModifiers(Qt::KeyboardModifiers m) {
  std::uint32_t out = 0;
  if (m & Qt::ControlModifier) out |= mods::Ctrl;
  if (m & Qt::ShiftModifier) out |= mods::Shift;
  return out;
}

}  // namespace rozoru
