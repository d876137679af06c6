// The window-system layer and the main window on Qt's offscreen platform.
// Titles, sizes and pictures of worker windows are proven with the image
// windows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <mutex>

#include "shell/core/layout.h"
#include "shell/core/windows.h"
#include "tests/shell/framework_fixture.h"

namespace rozoru {
namespace {

using test::hooks;
using test::pumpFor;

class FrameworkTest : public test::FrameworkFixture {
 protected:
  // Makes a window with this procedure on the worker, as the subsystems do.
  Hwnd probeWindow(std::function<std::int64_t(const Message&)> proc) {
    Hwnd h = 0;
    onWorker([&] {
      h = windowTable().add(&shell().workerPump().queue(), "probe", std::move(proc));
      ASSERT_TRUE(shell().windowSystem()->create(h, CreateParams{}));
    });
    return h;
  }
  void destroyOnWorker(Hwnd h) {
    onWorker([h] { shell().windowSystem()->destroy(h), windowTable().remove(h); });
  }
};

// Start and Stop from the menu are proven with the stereo program.
TEST_F(FrameworkTest, StatusLineAndExitFromTheMenu) {
  std::atomic<bool> exitOnWorker{false};
  hooks().exit = [&] { exitOnWorker = shell().onWorkerThread(); };
  startFramework();
  const int depth = QGuiApplication::primaryScreen()->depth();
  const auto* status = main()->findChild<QLabel*>("status");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text().toStdString(), centredStatusText(std::to_string(depth) + "-bit color"));
  EXPECT_TRUE(main()->acceptDrops());  // a dropped-in window accepts files until an application main runs

  std::optional<ExitOutcome> outcome;
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

// Keys and clicks reach the worker's procedures as messages in the text
// window and box tests; here what every worker window shares.
TEST_F(FrameworkTest, WorkerWindowsShowPresentedPixelsAndLeaveClosingToTheirProcedure) {
  startFramework();
  std::atomic<bool> closeOnWorker{false};
  const Hwnd h = probeWindow([&](const Message& msg) {
    if (msg.type == Msg::Close) closeOnWorker = shell().onWorkerThread();
    return std::int64_t{0};
  });
  onWorker([&] {
    shell().windowSystem()->show(h);
    std::vector<std::uint32_t> px(100 * 100, 0x00123456u);
    px[5 * 100 + 7] = 0x00FF0000u;
    shell().windowSystem()->present(h, px.data(), 100, 100, 100);
    // A picture wider than a QImage can be is left out (its pixels are not
    // read when there is nowhere to put them); the last one stays.
    shell().windowSystem()->present(h, px.data(), 1 << 27, 1, 0);
  });
  QWidget* w = fw_->windowSystem().widget(h);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->parentWidget(), main());  // owned by the main window
  ASSERT_TRUE(pumpFor([&] { return w->grab().toImage().pixel(7, 5) == 0xFFFF0000u; }));
  w->close();
  ASSERT_TRUE(pumpFor([&] { return closeOnWorker.load(); }));
  EXPECT_TRUE(w->isVisible());  // closing is the procedure's decision
  destroyOnWorker(h);
  EXPECT_EQ(fw_->windowSystem().widget(h), nullptr);
}

// Checked items, texts with '&' and '\t' and the choice of an item are proven
// with the menus of the text windows and the boxes; here what only others hold.
TEST_F(FrameworkTest, PopupMenusHoldSeparatorsGreyedItemsAndSubmenus) {
  startFramework();
  onWorker([] {
    shell().windowSystem()->popupMenu(shell().mainWindow(),
                                      {{"", 0, true, true, false, {}},
                                       {"Greyed", 12, false, false, false, {}},
                                       {"More", 0, false, true, false, {{"Deep", 7, false, true, false, {}}}}});
  });
  QMenu* menu = nullptr;
  ASSERT_TRUE(pumpFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_TRUE(actions[0]->isSeparator());
  EXPECT_FALSE(actions[1]->isEnabled());
  ASSERT_NE(actions[2]->menu(), nullptr);
  EXPECT_EQ(actions[2]->menu()->actions()[0]->text(), "Deep");
  menu->close();
}

TEST_F(FrameworkTest, AMessageBoxFromTheWorkerBlocksItUntilClosed) {
  startFramework();
  std::atomic<bool> returned{false};
  shell().workerPump().queue().postCall([&] {
    shell().windowSystem()->messageBox(shell().mainWindow(), "text", "caption", MessageBoxIcon::Error);
    returned = true;
  });
  // The box runs its own event loop on the GUI thread; look for it from a timer.
  QString seen;
  bool returnedWhileOpen = true;
  bool stopTaken = false;  // the box holds its owner's menu bar too
  QObject::connect(menuAction("Stop(&C)"), &QAction::triggered, [&] { stopTaken = true; });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* b = shownDialog<QMessageBox>()) {
      seen = b->windowTitle() + "|" + b->text() + "|" + QString::number(b->icon());
      returnedWhileOpen = returned.load();
      clickMenu("Stop(&C)");
      b->button(QMessageBox::Ok)->click();
      poll.stop();
    }
  });
  poll.start(10);
  EXPECT_TRUE(pumpFor([&] { return returned.load(); }));
  EXPECT_EQ(seen, "caption|text|" + QString::number(QMessageBox::Critical));
  EXPECT_FALSE(returnedWhileOpen);
  EXPECT_FALSE(stopTaken);
}

// Catches: Exit waiting out its limit and abandoning a worker that waits on
// a dialog (the dialog left open, or run in a loop nested under the Exit),
// and a dialog asked for once Exit has begun (here by KAV_Exit) holding the
// exit up.
TEST_F(FrameworkTest, ExitEndsTheDialogsTheWorkerWaitsOn) {
  std::atomic<bool> exitOnWorker{false};
  hooks().exit = [&] {
    exitOnWorker = shell().onWorkerThread();
    if (exitOnWorker) shell().windowSystem()->messageBox(0, "late", "late", MessageBoxIcon::None);
  };
  startFramework();
  const Hwnd h = probeWindow([](const Message&) { return std::int64_t{0}; });
  std::array<std::uint32_t, 16> custom{};
  std::optional<std::uint32_t> chosen = 0;
  shell().workerPump().queue().postCall([&] { chosen = shell().windowSystem()->chooseColour(h, 0x123456, custom); });
  QPointer<QWidget> dialog;
  std::optional<ExitOutcome> outcome;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    dialog = shownDialog<QColorDialog>();
    if (!dialog) return;
    poll.stop();
    outcome = shell().exitSequence(60000);
    if (dialog) dialog->deleteLater();  // lets a failing test end
  });
  poll.start(10);
  ASSERT_TRUE(pumpFor([&] { return outcome.has_value(); }, std::chrono::seconds(90)));
  ASSERT_EQ(*outcome, ExitOutcome::Joined);
  EXPECT_TRUE(exitOnWorker.load());
  EXPECT_TRUE(dialog.isNull());
  EXPECT_EQ(chosen, std::nullopt);  // answered as cancelled
}

TEST_F(FrameworkTest, RequestsFromTheGuiKeepItResponsive) {
  startFramework();
  std::atomic<bool> release{false};
  // Only a timer on the GUI thread, which must fire while the sender waits,
  // releases the worker.
  QTimer::singleShot(30, [&] {
    release = true;
    release.notify_all();
  });
  Request r;
  r.code = req::Call, r.call = [&] { return release.wait(false), 7; };
  EXPECT_EQ(shell().sendRequest(r), 7);
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

// Only local pictures count. Each takes the next free slot (0 and 2 are
// taken), is loaded there and made current; a picture that cannot be made
// is given up after one try.
TEST_F(FrameworkTest, FilesDroppedOnTheMainWindowAreOpenedInFreeSlots) {
  std::mutex m;
  std::vector<std::string> log;
  std::atomic<int> restores{0};
  startFramework();
  const auto record = [&](const std::string& what, int result) {
    std::lock_guard lock(m);
    log.push_back(what + ":" + std::to_string(result));
    return result;
  };
  shell().setRequestHandler(req::CreateImage, [&](const Request& r) {
    return record(r.name + " " + std::to_string(r.width) + "x" + std::to_string(r.height),
                  r.index == 0 || r.index == 2 ? 1 : r.name.ends_with("broken.png") ? 3 : 0);
  });
  shell().setRequestHandler(req::LoadImage, [&](const Request& r) {
    return record("load " + r.fileName + " in " + std::to_string(r.index), 0);
  });
  shell().restoreImage = [&] { ++restores; };
  shell().probeImageSize = [](const std::string& path) {
    return path.ends_with(".txt") ? std::pair{0, 0} : std::pair{64, 48};
  };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/p/left eye.png"), QUrl("https://example.invalid/remote.png"),
                QUrl::fromLocalFile("/p/folder/"), QUrl::fromLocalFile("/p/notes.txt"),
                QUrl::fromLocalFile("/p/broken.png"), QUrl("file:///p/b%FF.jpg")});  // not UTF-8
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(main(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(main(), &drop);
  ASSERT_TRUE(pumpFor([&] { return restores.load() == 2; }));
  std::lock_guard lock(m);
  EXPECT_EQ(log, (std::vector<std::string>{"000 left eye.png 64x48:1", "001 left eye.png 64x48:0",
                                           "load /p/left eye.png in 1:0", "002 broken.png 64x48:1",
                                           "003 broken.png 64x48:3", "004 b\xFF.jpg 64x48:0", "load /p/b\xFF.jpg in 4:0"}));
}

}  // namespace
}  // namespace rozoru
