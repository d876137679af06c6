// Capture latency of the stereo application: from a capture request to the
// 640x240 JPEG on disk. The framework runs in-process on Qt's offscreen
// platform with the application's windows opened by stereo::init() on two
// synthetic cameras, as in the program. The benchmark's thread is the GUI
// thread and serves the worker's window-system calls while it waits.
//
// The JPEG is in place when the save renames its finished temporary file over
// the target, and on the device when the folder is flushed after that, so
// this executable stands in for rename() and fsync() and stamps those
// moments; everything else about the calls is the system's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/stereo_app.h"
#include "boxes/boxes.h"
#include "image/slots.h"
#include "imageio/file_bytes.h"
#include "rozoru/kav.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

std::int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
}

// steady_clock of the last rename onto a ".jpg" name, and how many there were.
std::atomic<std::int64_t> g_jpegRenamedNs{0};
std::atomic<int> g_jpegRenames{0};
// The first flush after such a rename: of a folder (the rename reaches the
// device; stamped when it returns) or of a file (the save flushed no folder).
std::atomic<bool> g_jpegPending{false};
std::atomic<std::int64_t> g_jpegSyncedNs{0};
std::atomic<int> g_jpegSyncs{0}, g_jpegNoSyncs{0};

rozoru::Framework* g_fw = nullptr;
std::atomic<bool> g_initDone{false};
std::atomic<bool> g_runLoop{false};  // KAV_Main runs the stereo loop, else returns at once

std::mutex g_outMutex;
std::string g_out;

std::string output() {
  std::lock_guard lock(g_outMutex);
  return g_out;
}

std::size_t count(const std::string& text) {
  const std::string all = output();
  std::size_t n = 0;
  for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  const int r = ::renameat(AT_FDCWD, from, AT_FDCWD, to);
  const std::size_t n = to ? std::strlen(to) : 0;
  if (r == 0 && n >= 4 && std::strcmp(to + n - 4, ".jpg") == 0) {
    g_jpegRenamedNs = nowNs();
    g_jpegPending = true;
    ++g_jpegRenames;
  }
  return r;
}

extern "C" int fsync(int fd) {
  const int r = static_cast<int>(::syscall(SYS_fsync, fd));
  if (g_jpegPending.exchange(false)) {
    struct stat st {};
    if (r == 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      g_jpegSyncedNs = nowNs();
      ++g_jpegSyncs;
    } else {
      ++g_jpegNoSyncs;
    }
  }
  return r;
}

void KAV_Init() {
  stereo::init();
  g_initDone = true;
}
void KAV_Main() {
  if (g_runLoop.load()) stereo::run();
}
void KAV_Exit() { stereo::shutdown(); }

namespace {

// Dispatches the GUI thread's messages until pred() holds or the timeout.
bool pumpFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = rozoru::Clock::now() + timeout;
  rozoru::Pump* p = rozoru::currentPump();
  while (!pred()) {
    if (rozoru::Clock::now() >= deadline) return pred();
    p->dispatchPending();
    if (pred()) return true;
    p->waitActivity(std::min(deadline, rozoru::Clock::now() + std::chrono::milliseconds(5)));
  }
  return true;
}

// Runs f on the idle worker and waits for it, serving its window-system calls.
bool onWorker(const std::function<void()>& f) {
  std::atomic<bool> done{false};
  rozoru::shell().workerPump().queue().postCall([&] {
    f();
    done = true;
  });
  return pumpFor([&] { return done.load(); }, std::chrono::seconds(30));
}

// The captures of the last iteration; the working directory holds only them.
void removeCaptures() {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::current_path(), ec)) fs::remove_all(e.path(), ec);
}

struct Stats {
  double median = 0, p90 = 0, max = 0;
};
Stats stats(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v[v.size() / 2];
  s.p90 = v[std::min(v.size() - 1, v.size() * 9 / 10)];
  s.max = v.back();
  return s;
}

void report(benchmark::State& state, const std::string& prefix, const std::vector<double>& us) {
  const Stats s = stats(us);
  state.counters[prefix + "median_us"] = s.median;
  state.counters[prefix + "p90_us"] = s.p90;
  state.counters[prefix + "max_us"] = s.max;
}

// When the last JPEG renamed into place reached the device: its folder's
// flush, waited for briefly; the rename when the save flushes no folder.
std::int64_t jpegOnDiskNs(int syncs, int noSyncs) {
  pumpFor([&] { return g_jpegSyncs.load() > syncs || g_jpegNoSyncs.load() > noSyncs; },
          std::chrono::milliseconds(50));
  return g_jpegSyncs.load() > syncs ? g_jpegSyncedNs.load() : g_jpegRenamedNs.load();
}

bool lrIsPreview() { return kav_image[2].inUse && kav_image[2].width == 320 && kav_image[2].height == 240; }

// stereo::capture() as the loop calls it on a request. Time of an iteration:
// the whole call, window 2 back to 320x240 included. jpeg_*: from the call to
// the JPEG renamed into place; disk_*: to its folder flushed after that.
void BM_Capture(benchmark::State& state) {
  stereo::globals().eventMode = static_cast<int>(state.range(0));
  const std::string jpeg = state.range(0) == 1 ? "091206/140359/orig.jpg" : "091206_14_03_59.jpg";
  std::vector<double> total, toJpeg, toDisk;
  for (auto _ : state) {
    const int renames = g_jpegRenames.load(), syncs = g_jpegSyncs.load(), noSyncs = g_jpegNoSyncs.load();
    std::int64_t t0 = 0, t1 = 0;
    bool restored = false;
    if (!onWorker([&] {
          t0 = nowNs();
          stereo::capture();
          t1 = nowNs();
          restored = lrIsPreview();
        })) {
      state.SkipWithError("the worker did not answer");
      break;
    }
    if (g_jpegRenames.load() != renames + 1 || !fs::exists(jpeg) || !restored) {
      state.SkipWithError(("the capture was not saved as " + jpeg + " with LR restored: " + output()).c_str());
      break;
    }
    state.SetIterationTime(static_cast<double>(t1 - t0) * 1e-9);
    total.push_back(static_cast<double>(t1 - t0) * 1e-3);
    toJpeg.push_back(static_cast<double>(g_jpegRenamedNs.load() - t0) * 1e-3);
    toDisk.push_back(static_cast<double>(jpegOnDiskNs(syncs, noSyncs) - t0) * 1e-3);
    removeCaptures();
    QCoreApplication::processEvents();  // the repaints the capture queued
  }
  report(state, "", total);
  report(state, "jpeg_", toJpeg);
  report(state, "disk_", toDisk);
  stereo::globals().eventMode = 1;
}
BENCHMARK(BM_Capture)->Arg(1)->Arg(0)->ArgName("event_mode")->UseManualTime()->Unit(benchmark::kMicrosecond);

// Part of the capture: KAV_SaveImage(640, 240, 1, ...) of the composed pair
// in window 2 made 640x240, alone (encode at quality 100 and write).
// Window 2 made 640x240 and selected, holding the pair as a capture does.
bool composePair() {
  bool made = false;
  onWorker([&] {
    made = KAV_ResizeImage(2, 640, 240) == 0 && KAV_SelectImage(2) == 0;
    if (!made) return;
    KAV_PutFrame(KAV_ImagePixels[0], 0);
    KAV_PutFrame(KAV_ImagePixels[1], 320);
  });
  return made;
}

void BM_CaptureSaveJpeg(benchmark::State& state) {
  if (!composePair()) {
    state.SkipWithError("window 2 could not be made 640x240");
    return;
  }
  std::vector<double> us;
  for (auto _ : state) {
    std::int64_t t0 = 0, t1 = 0;
    int r = -1;
    onWorker([&] {
      t0 = nowNs();
      r = KAV_SaveImage(640, 240, 1, "pair");
      t1 = nowNs();
    });
    if (r != 0 || !fs::exists("pair.jpg")) {
      state.SkipWithError("the save failed");
      break;
    }
    state.SetIterationTime(static_cast<double>(t1 - t0) * 1e-9);
    us.push_back(static_cast<double>(t1 - t0) * 1e-3);
    removeCaptures();
  }
  report(state, "", us);
  onWorker([] { KAV_ResizeImage(2, 320, 240); });
}
BENCHMARK(BM_CaptureSaveJpeg)->UseManualTime()->Unit(benchmark::kMicrosecond);

// What flushing to the device costs on this disk: the capture's JPEG bytes
// replacing a file as a save does (flushing_on 1), and with its two flushes,
// the file's and the folder's, left out (0). fsync_*: the time in the flushes.
std::atomic<std::int64_t> g_fsyncNs{0};
int timedFsync(int fd) {
  const std::int64_t t0 = nowNs();
  const int r = fsync(fd);
  g_fsyncNs += nowNs() - t0;
  return r;
}
int noFsync(int) { return 0; }

void BM_ReplaceFile(benchmark::State& state) {
  int saved = -1;
  if (composePair()) onWorker([&] { saved = KAV_SaveImage(640, 240, 1, "pair"); });
  const std::optional<rozoru::imageio::Bytes> jpeg = rozoru::imageio::readFile("pair.jpg");
  if (saved != 0 || !jpeg) {
    state.SkipWithError("the capture's JPEG could not be made");
    return;
  }
  rozoru::imageio::FileCalls calls = rozoru::imageio::systemFileCalls();
  calls.fsync = state.range(0) == 1 ? timedFsync : noFsync;
  std::vector<double> us, inFsync;
  for (auto _ : state) {
    g_fsyncNs = 0;
    const std::int64_t t0 = nowNs();
    const std::string why = rozoru::imageio::replaceFile("pair.jpg", *jpeg, calls);
    const std::int64_t t1 = nowNs();
    if (!why.empty()) {
      state.SkipWithError(why.c_str());
      break;
    }
    state.SetIterationTime(static_cast<double>(t1 - t0) * 1e-9);
    us.push_back(static_cast<double>(t1 - t0) * 1e-3);
    inFsync.push_back(static_cast<double>(g_fsyncNs.load()) * 1e-3);
  }
  report(state, "", us);
  report(state, "fsync_", inFsync);
  state.counters["bytes"] = static_cast<double>(jpeg->size());
  removeCaptures();
  onWorker([] { KAV_ResizeImage(2, 320, 240); });
}
BENCHMARK(BM_ReplaceFile)->Arg(1)->Arg(0)->ArgName("flushing_on")->UseManualTime()->Unit(benchmark::kMicrosecond);

// Part of the capture: window 2 made 640x240 and back to 320x240
// (KAV_ResizeImage gives the same window the new size).
void BM_CaptureResizeLR(benchmark::State& state) {
  std::vector<double> up, back, both;
  for (auto _ : state) {
    std::int64_t t0 = 0, t1 = 0, t2 = 0;
    bool ok = false;
    onWorker([&] {
      t0 = nowNs();
      const int a = KAV_ResizeImage(2, 640, 240);
      t1 = nowNs();
      const int b = KAV_ResizeImage(2, 320, 240);
      t2 = nowNs();
      ok = a == 0 && b == 0 && lrIsPreview();
    });
    if (!ok) {
      state.SkipWithError("the resize failed");
      break;
    }
    state.SetIterationTime(static_cast<double>(t2 - t0) * 1e-9);
    up.push_back(static_cast<double>(t1 - t0) * 1e-3);
    back.push_back(static_cast<double>(t2 - t1) * 1e-3);
    QCoreApplication::processEvents();
  }
  report(state, "to640_", up);
  report(state, "to320_", back);
}
BENCHMARK(BM_CaptureResizeLR)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The request as the user makes it: kav_keyflag set and the worker woken
// (Space in the main window) while the stereo loop runs, to the JPEG on the
// device (its folder flushed).
// The request cuts the loop's wait short; requests come at random moments of
// the period. sleep_ms 666 is the default period; 10 is after the
// "Sleep 10" button.
void BM_CaptureRequestThroughLoop(benchmark::State& state) {
  const int sleepMs = static_cast<int>(state.range(0));
  stereo::globals().eventMode = 1;
  const std::size_t started = count("Exposure: ");
  g_runLoop = true;
  rozoru::shell().start();
  if (!pumpFor([&] { return count("Exposure: ") > started; })) {
    state.SkipWithError("the loop did not start");
    g_runLoop = false;
    return;
  }
  if (sleepMs != 666) {
    // Button 14 ("Sleep 10") of the loop's button box.
    QWidget* box = g_fw->windowSystem().widget(rozoru::boxes::buttonBoxHandle());
    auto* b = box ? box->findChild<QAbstractButton*>(QStringLiteral("ctl14")) : nullptr;
    if (!b) {
      state.SkipWithError("no Sleep 10 button");
    } else {
      b->click();
      // The loop reads its buttons once a pass: after at most the default period.
      pumpFor([] { return false; }, std::chrono::milliseconds(1000));
    }
  }
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> phase(0, sleepMs);
  std::vector<double> us;
  for (auto _ : state) {
    pumpFor([] { return false; }, std::chrono::milliseconds(phase(rng)));
    const int renames = g_jpegRenames.load(), syncs = g_jpegSyncs.load(), noSyncs = g_jpegNoSyncs.load();
    const std::int64_t t0 = nowNs();
    kav_keyflag = 1;
    rozoru::shell().workerPump().wake();  // as the main window's Space does
    if (!pumpFor([&] { return g_jpegRenames.load() > renames && kav_keyflag.load() == 0; })) {
      state.SkipWithError(("no capture after the request: " + output()).c_str());
      break;
    }
    const double seconds = static_cast<double>(jpegOnDiskNs(syncs, noSyncs) - t0) * 1e-9;
    // The text files follow the JPEG: the worker takes this call once the
    // capture is over, and only then are its files removed.
    if (!onWorker([] {})) {
      state.SkipWithError("the capture did not end");
      break;
    }
    state.SetIterationTime(seconds);
    us.push_back(seconds * 1e6);
    removeCaptures();
  }
  report(state, "", us);
  rozoru::shell().stop();
  pumpFor([] { return kav_running.load() == 0; });
  g_runLoop = false;
}
BENCHMARK(BM_CaptureRequestThroughLoop)
    ->Arg(666)
    ->Arg(10)
    ->ArgName("sleep_ms")
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A fixed capture time, so that every capture has the same names.
std::tm fixedTime() {
  std::tm t{};
  t.tm_year = 109;
  t.tm_mon = 11;
  t.tm_mday = 6;
  t.tm_hour = 14;
  t.tm_min = 3;
  t.tm_sec = 59;
  return t;
}

// Windows 0 and 1 hold a frame of each camera, as after a pass of the loop.
bool takeFrames() {
  bool ok = true;
  for (int k = 0; k < 2; ++k) {
    ok = ok && ryk_WaitFrame(k, 0.0, 5000) == 1 &&
         ryk_CopyFrame(k, KAV_ImagePixels[k], RYK_FRAME_BYTES, nullptr) > 0;
  }
  return ok;
}

// The offscreen platform warns on every window raise; each capture raises
// its re-created window, which would bury the results.
QtMessageHandler g_qtMessages = nullptr;
void dropRaiseWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support raise()"))) return;
  if (g_qtMessages)
    g_qtMessages(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char** argv) {
  g_qtMessages = qInstallMessageHandler(dropRaiseWarnings);
  // ROZORU_BENCH_X11=1: the X server on DISPLAY instead, where re-creating
  // a window costs round trips to the server.
  const char* x11 = std::getenv("ROZORU_BENCH_X11");
  qputenv("QT_QPA_PLATFORM", x11 && std::strcmp(x11, "1") == 0 ? "xcb" : "offscreen");
  QApplication app(argc, argv);
  char tmpl[] = "/tmp/rozoru-bench-capture-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const fs::path root = tmpl, work = root / "captures", lock = root / "lock";
  fs::create_directories(work);
  fs::create_directories(lock);
  const fs::path old = fs::current_path();
  fs::current_path(work);

  stereo::setOutputTap([](const std::string& t) {
    std::lock_guard l(g_outMutex);
    g_out += t;
  });
  stereo::setClock(fixedTime);
  ryk::useSyntheticCameras(2);
  auto fw = std::make_unique<rozoru::Framework>(rozoru::StartOptions{false, lock.string()});
  g_fw = fw.get();
  int rc = fw->start() != 0 ? 1 : 0;
  // stereo::init() asks for a start; the empty KAV_Main then leaves the worker idle.
  if (rc == 0 && !pumpFor([] { return g_initDone.load() && kav_start.load() == 0 && kav_running.load() == 0; }))
    rc = 1;
  bool framed = false;
  if (rc == 0) onWorker([&] { framed = takeFrames(); });
  if (rc == 0 && !framed) {
    std::fprintf(stderr, "bench_capture: the synthetic cameras sent no pictures:\n%s\n", output().c_str());
    rc = 1;
  }
  if (rc == 0) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  if (rozoru::shell().workerStarted()) onWorker([] { rozoru::boxes::reset(); });  // the boxes belong to the worker
  rozoru::shell().exitSequence();
  rozoru::releaseAllImages();
  QCoreApplication::processEvents();
  fw.reset();
  stereo::setOutputTap({});
  stereo::setClock({});
  fs::current_path(old);
  std::error_code ec;
  fs::remove_all(root, ec);
  return rc;
}
