// The window-system layer and the main window on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include "rozoru/kav.h"
#include "shell/core/layout.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "shell/qt/framework.h"
#include "tests/shell/framework_fixture.h"
#include "tests/shell/test_hooks.h"

namespace rozoru {
namespace {

using namespace std::chrono_literals;
using test::hooks;
using test::pumpFor;

using FrameworkTest = test::FrameworkFixture;

TEST_F(FrameworkTest, MainWindowMenuStatusAndPlace) {
  startFramework();
  ASSERT_NE(main(), nullptr);
  EXPECT_EQ(main()->windowTitle(), "ROZORU");
  QStringList texts;
  for (QAction* a : main()->findChild<QMenuBar*>()->actions()) texts << a->text();
  EXPECT_EQ(texts, (QStringList{"Start(&S)", "Stop(&C)", "Exit(&X)"}));

  const int depth = QGuiApplication::primaryScreen()->depth();
  const auto* status = main()->findChild<QLabel*>("status");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text().toStdString(), centredStatusText(std::to_string(depth) + "-bit color"));
  EXPECT_EQ(status->geometry().width(), 234);

  const ScreenMetrics m = fw_->windowSystem().metrics();
  const Point at = mainWindowStart(m.fullWidth, m.fullHeight);
  EXPECT_EQ(main()->frameGeometry().topLeft(), QPoint(at.x, at.y));
  EXPECT_EQ(main()->width(), 240);
  // A dropped-in window accepts files until an application main runs.
  EXPECT_TRUE(main()->acceptDrops());
}

TEST_F(FrameworkTest, TheWorkerStartsOnlyAfterTheDropIn) {
  std::atomic<int> yAtInit{0};
  hooks().init = [this, &yAtInit] { yAtInit = fw_->windowSystem().frameRect(shell().mainWindow()).top; };
  startFramework(true);
  const ScreenMetrics m = fw_->windowSystem().metrics();
  EXPECT_EQ(yAtInit.load(), mainWindowStart(m.fullWidth, m.fullHeight).y + 55);
}

TEST_F(FrameworkTest, MenuCommandsStartAndStopMain) {
  std::atomic<int> mains{0};
  hooks().main = [&] {
    ++mains;
    while (KAV_Wait(10000) == 0) {
    }
  };
  startFramework();
  menuAction("Start(&S)")->trigger();
  ASSERT_TRUE(pumpFor([&] { return mains.load() == 1 && kav_running.load() == 1; }));
  EXPECT_FALSE(main()->acceptDrops());
  menuAction("Stop(&C)")->trigger();
  ASSERT_TRUE(pumpFor([] { return kav_running.load() == 0; }));
  ASSERT_TRUE(pumpFor([this] { return main()->acceptDrops(); }));
}

TEST_F(FrameworkTest, ExitFromTheMenuEndsTheWorker) {
  std::atomic<bool> exitOnWorker{false};
  hooks().exit = [&] { exitOnWorker = shell().onWorkerThread(); };
  std::optional<ExitOutcome> outcome;
  startFramework();
  shell().onExitDone = [&](ExitOutcome o) { outcome = o; };
  menuAction("Exit(&X)")->trigger();
  ASSERT_TRUE(pumpFor([&] { return outcome.has_value(); }));
  EXPECT_EQ(*outcome, ExitOutcome::Joined);
  EXPECT_TRUE(exitOnWorker.load());
  EXPECT_EQ(kav_exit.load(), 2);
}

TEST_F(FrameworkTest, TheCloseButtonIsExitAndTheSubsystemsGoBeforeQt) {
  startFramework();
  std::optional<ExitOutcome> outcome;
  shell().onExitDone = [&](ExitOutcome o) { outcome = o; };
  onWorker([] { ASSERT_EQ(KAV_OpenTextWindow(0, 0, 0, 100, 50), 0); });
  main()->close();
  ASSERT_TRUE(pumpFor([&] { return outcome.has_value(); }));
  EXPECT_EQ(*outcome, ExitOutcome::Joined);
  fw_.reset();
  EXPECT_FALSE(textwin::isOpen(0));  // its Qt font and image went with the framework
}

TEST_F(FrameworkTest, WorkerWindowsTakeInputAsMessagesAndShowPresentedPixels) {
  startFramework();
  struct Seen {
    std::mutex m;
    std::vector<Message> messages;
    bool allOnWorker = true;
  } seen;
  Hwnd h = 0;
  onWorker([&] {
    h = windowTable().add(&shell().workerPump().queue(), "probe", [&](const Message& msg) {
      std::lock_guard lock(seen.m);
      seen.messages.push_back(msg);
      seen.allOnWorker = seen.allOnWorker && shell().onWorkerThread();
      return std::int64_t{0};
    });
    CreateParams p;
    p.className = "probe";
    p.title = "probe window";
    p.x = 10;
    p.y = 20;
    p.clientWidth = 64;
    p.clientHeight = 32;
    ASSERT_TRUE(shell().windowSystem()->create(h, p));
    shell().windowSystem()->show(h);
    std::vector<std::uint32_t> px(64 * 32, 0x00123456u);
    px[5 * 64 + 7] = 0x00FF0000u;
    shell().windowSystem()->present(h, px.data(), 64, 32, 64);
    // A picture wider than a QImage can be is left out (its pixels are not
    // read when there is nowhere to put them); the last one stays.
    shell().windowSystem()->present(h, px.data(), 1 << 27, 1, 0);
  });
  QWidget* w = fw_->windowSystem().widget(h);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "probe window");
  EXPECT_EQ(w->size(), QSize(64, 32));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // the user cannot resize it
  EXPECT_EQ(w->parentWidget(), main());           // owned by the main window

  ASSERT_TRUE(pumpFor([&] {
    const QImage img = w->grab().toImage();
    return img.pixel(7, 5) == 0xFFFF0000u;
  }));
  const QImage img = w->grab().toImage();
  EXPECT_EQ(img.pixel(0, 0), 0xFF123456u);

  QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(11, 13));
  w->close();
  ASSERT_TRUE(pumpFor([&] {
    std::lock_guard lock(seen.m);
    return std::any_of(seen.messages.begin(), seen.messages.end(), [](const Message& m) { return m.type == Msg::Close; });
  }));
  EXPECT_TRUE(w->isVisible());  // closing is the procedure's decision
  std::lock_guard lock(seen.m);
  EXPECT_TRUE(seen.allOnWorker);
  bool sawKey = false, sawRight = false;
  for (const Message& msg : seen.messages) {
    if (msg.type == Msg::KeyDown && msg.wparam == 'A' && msg.ctrl()) sawKey = true;
    if (msg.type == Msg::RButtonDown && unpackX(msg.lparam) == 11 && unpackY(msg.lparam) == 13) sawRight = true;
    EXPECT_FALSE(msg.type == Msg::Char && msg.ctrl()) << "a Ctrl chord is not text";
  }
  EXPECT_TRUE(sawKey);
  EXPECT_TRUE(sawRight);
  onWorker([&] {
    shell().windowSystem()->destroy(h);
    windowTable().remove(h);
  });
  EXPECT_EQ(fw_->windowSystem().widget(h), nullptr);
}

TEST_F(FrameworkTest, APopupMenuChoiceArrivesAsACommand) {
  startFramework();
  std::atomic<int> command{0};
  Hwnd h = 0;
  onWorker([&] {
    h = windowTable().add(&shell().workerPump().queue(), "probe", [&](const Message& m) {
      if (m.type == Msg::Command) command = static_cast<int>(m.wparam);
      return std::int64_t{0};
    });
    CreateParams p;
    p.clientWidth = 50;
    p.clientHeight = 50;
    shell().windowSystem()->create(h, p);
    MenuItem sub{"More", 0, false, true, false, {{"Deep", 7, false, true, false, {}}}};
    shell().windowSystem()->popupMenu(h, {{"&Open\tCtrl+O", 11, false, true, true, {}},
                                          {"", 0, true, true, false, {}},
                                          {"Greyed", 12, false, false, false, {}},
                                          sub});
  });
  QMenu* menu = nullptr;
  ASSERT_TRUE(pumpFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), "&Open\tCtrl+O");
  EXPECT_TRUE(actions[0]->isChecked());
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_FALSE(actions[2]->isEnabled());
  ASSERT_NE(actions[3]->menu(), nullptr);
  EXPECT_EQ(actions[3]->menu()->actions()[0]->text(), "Deep");
  actions[0]->trigger();
  menu->close();
  EXPECT_TRUE(pumpFor([&] { return command.load() == 11; }));
  onWorker([&] {
    shell().windowSystem()->destroy(h);
    windowTable().remove(h);
  });
}

TEST_F(FrameworkTest, AMessageBoxFromTheWorkerBlocksItUntilClosed) {
  startFramework();
  std::atomic<bool> returned{false};
  shell().workerPump().queue().postCall([&] {
    shell().windowSystem()->messageBox(shell().mainWindow(), "DestroyWindow[IB] Error", "ROZORU Error!",
                                       MessageBoxIcon::Error);
    returned = true;
  });
  // The box runs its own event loop on the GUI thread; look for it from a timer.
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool returnedWhileOpen = true;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) {
        title = b->windowTitle();
        text = b->text();
        icon = b->icon();
        returnedWhileOpen = returned.load();
        b->button(QMessageBox::Ok)->click();
        poll.stop();
      }
  });
  poll.start(10);
  EXPECT_TRUE(pumpFor([&] { return returned.load(); }));
  EXPECT_EQ(title, "ROZORU Error!");
  EXPECT_EQ(text, "DestroyWindow[IB] Error");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_FALSE(returnedWhileOpen);
}

TEST_F(FrameworkTest, RequestsFromTheGuiKeepItResponsive) {
  startFramework();
  std::atomic<bool> release{false};
  shell().setRequestHandler(req::CreateImage, [&](const Request&) {
    release.wait(false);
    return 0;
  });
  // A timer on the GUI thread fires while the sender waits, and releases the worker.
  bool timerRan = false;
  QTimer::singleShot(30, [&] {
    timerRan = true;
    release = true;
    release.notify_all();
  });
  Request r;
  r.code = req::CreateImage;
  r.index = 1;
  EXPECT_EQ(shell().sendRequest(r), 0);
  EXPECT_TRUE(timerRan);
}

TEST_F(FrameworkTest, WaitOnTheGuiThreadEndsOnStopFromAnotherThread) {
  startFramework();
  const pid_t gui = test::threadId();
  std::thread stopper([gui] {
    pumpFor([gui] { return test::threadBlocked(gui); });
    shell().stop();
  });
  EXPECT_EQ(KAV_Wait(60000), 1);  // 0 would mean it ran its full time
  stopper.join();
  kav_stop = 0;
}

TEST_F(FrameworkTest, FilesDroppedOnTheMainWindowBecomeCreateRequests) {
  std::mutex m;
  std::vector<std::string> titles;
  startFramework();
  shell().setRequestHandler(req::CreateImage, [&](const Request& r) {
    std::lock_guard lock(m);
    titles.push_back(r.name);
    return 3;
  });
  shell().probeImageSize = [](const std::string&) { return std::pair<int, int>{8, 8}; };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/pictures/left eye.png"), QUrl("https://example.invalid/remote.png"),
                QUrl::fromLocalFile("/pictures/right.png")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(main(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(main(), &drop);
  // Only local files count; each is tried once on its own slot, since creation fails.
  ASSERT_TRUE(pumpFor([&] {
    std::lock_guard lock(m);
    return titles.size() == 2;
  }));
  std::lock_guard lock(m);
  EXPECT_EQ(titles, (std::vector<std::string>{"000 left eye.png", "001 right.png"}));
}

}  // namespace
}  // namespace rozoru
