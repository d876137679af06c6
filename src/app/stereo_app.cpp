#include "app/stereo_app.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "app/capture.h"
#include "app/composition.h"
#include "app/jpeg_comment.h"
#include "app/pair_taker.h"
#include "imageio/image_file.h"
#include "rozoru/image.h"
#include "rozoru/imagefile.h"
#include "rozoru/kav.h"
#include "ryk/ryk.h"
#include "shell/core/event_log.h"

namespace stereo {

namespace {

// The rate the cameras are opened at.
constexpr double kCameraRate = 30.0;

Globals g_globals;
Print g_tap;
const State* g_running = nullptr;
std::function<std::tm()> g_clock;

void print(const std::string& text) {
  KAV_Printf("%s", text.c_str());
  if (g_tap) g_tap(text);
  // Every failed capture says so in one line that starts like this.
  if (text.starts_with("Capture not saved")) rozoru::logEvent(text.substr(0, text.find('\n')));
}

// A saved capture's full path on stderr with its pair's skew ("" when it
// failed: print said why).
void logCapture(const std::string& saved, const std::string& skew) {
  if (saved.empty()) return;
  std::error_code ec;
  const std::filesystem::path where = std::filesystem::absolute(saved, ec);
  rozoru::logEvent("capture saved: " + (ec ? saved : where.lexically_normal().string()) + " (" + skew + ")");
}

// The camera library as the application uses it: every call is guarded by
// the library itself (not open, no such camera, no such property).
class LibraryCameras final : public Cameras {
 public:
  double get(int property, int camera, int* automatic) override {
    return ryk_GetProperty(property, camera, automatic);
  }
  void set(double percent, int property, int camera) override { ryk_SetProperty(percent, property, camera); }
  void setAuto(int property, int camera) override { ryk_SetPropertyAuto(property, camera); }
  void showPropertyPage(int camera) override { ryk_ShowPropertyPage(camera); }
  void pause(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// A camera window the loop may write: open, and still the 320x240 32-bit
// picture it was made as (the user can close or resize it).
bool usable(int id) {
  const ImageSlot& s = kav_image[id];
  return s.inUse && s.bitDepth == 32 && s.width == kWidth && s.height == kHeight && KAV_ImagePixels[id];
}

Pixel32* pixels(int id) { return KAV_ImagePixels[id]; }

// The frames windows 0 and 1 show (by window): the camera each came from
// and its sample time, for the pair skew a capture records. Empty until a
// frame was taken this run.
struct Shown {
  int camera = 0;
  std::optional<double> time;
};
std::array<Shown, 2> g_shown;

// Takes a pair into the windows the cameras feed; fresh[id] is true when
// window id got a new frame.
std::array<bool, 2> takePair(PairTaker& taker, const State& s, bool waitSync) {
  const int window[2] = {s.windowA, s.windowB};
  const auto taken = taker.take([&](int k) { return usable(window[k]) ? pixels(window[k]) : nullptr; }, waitSync,
                                [] { return kav_stop.load() != 0; });
  std::array<bool, 2> fresh{false, false};
  for (int k : {0, 1}) {
    const TakenFrame& f = taken[static_cast<std::size_t>(k)];
    if (!f.fresh) continue;
    const auto id = static_cast<std::size_t>(window[k]);
    fresh[id] = true;
    g_shown[id] = {k, f.time};
  }
  return fresh;
}

// The skew of the pair windows 0 and 1 show.
std::string shownPairSkew() {
  std::optional<double> time[2];
  for (const Shown& w : g_shown)
    if (w.time) time[w.camera] = w.time;
  return pairSkewText(time[0], time[1]);
}

// The camera pictures in windows 0 and 1 as taken, kept while gamma, blend or
// an anaglyph write over the windows. A pass without a new frame (a capture
// request found at the top of the loop, a camera that stopped) starts again
// from them: a capture holds the camera pair, and nothing is processed twice.
class TakenPair {
 public:
  // After a pass has taken its frames.
  void settle(int id, bool fresh) {
    Kept& k = kept_[static_cast<std::size_t>(id)];
    if (fresh)
      k.held = false;
    else if (k.held && usable(id))
      std::copy(k.pixels.begin(), k.pixels.end(), pixels(id));
  }
  // Before the pass writes over window id.
  void keep(int id) {
    Kept& k = kept_[static_cast<std::size_t>(id)];
    if (k.held || !usable(id)) return;
    k.pixels.assign(pixels(id), pixels(id) + kPixels);
    k.held = true;
  }

 private:
  struct Kept {
    std::vector<Pixel32> pixels;
    bool held = false;
  };
  std::array<Kept, 2> kept_;
};

// Says once when a camera stops delivering, and again after it recovered.
class CameraWatch {
 public:
  void check() {
    for (int k = 0; k < 2 && k < ryk_count.load(); ++k) {
      const int st = ryk_CameraState(k);
      if (st == reported_[k]) continue;
      if (st == RYK_CAMERA_FAILED) {
        const std::string why = ryk_CameraError(k);
        print(format("Camera %d stopped: %s\n", k, why.empty() ? "no reason given" : why.c_str()));
      } else if (st == RYK_CAMERA_STALLED) {
        print(format("Camera %d sends no pictures\n", k));
        rozoru::logEvent(format("camera %d sends no pictures", k));
      } else if (st == RYK_CAMERA_STREAMING && reported_[k] != 0) {
        print(format("Camera %d sends pictures again\n", k));
        rozoru::logEvent(format("camera %d sends pictures again", k));
      } else if (st != RYK_CAMERA_STREAMING) {
        continue;
      }
      reported_[k] = st == RYK_CAMERA_STREAMING ? 0 : st;
    }
  }
  // Camera k is being started again: its coming back is news.
  void restarting(int k) { reported_[k] = RYK_CAMERA_STARTING; }

 private:
  int reported_[2] = {0, 0};
};

// The 640x240 pair in the current image (window 2) as JPEG at the
// framework's quality, with the pair's skew as its comment: made whole in
// memory, then put in place in one step, so no reader ever finds the picture
// without its note.
class WindowSink final : public CaptureSink {
 public:
  explicit WindowSink(std::string comment) : comment_(std::move(comment)) {}
  bool saveJpeg(const std::string& path) override {
    using namespace rozoru::imageio;
    const std::shared_ptr<Codec> c = codec();
    if (!c) return false;
    const std::vector<Encoder> encoders = c->encoders();
    const auto jpeg = std::find_if(encoders.begin(), encoders.end(),
                                   [](const Encoder& e) { return e.mimeType == mimeType(1); });
    if (jpeg == encoders.end()) return false;
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(2 * kWidth) * kHeight);
    if (kav_image[KAV_CurrentImage()].bitDepth == 32) {
      KAV_GetImageArea(rgb.data(), 0, 0, 2 * kWidth, kHeight);
    } else {  // an 8-bit picture (the user may have made LR one): its colours
      std::vector<std::uint8_t> index(rgb.size());
      std::uint32_t table[256];
      KAV_GetImageArea(index.data(), 0, 0, 2 * kWidth, kHeight);
      KAV_GetColorTable(table);
      std::transform(index.begin(), index.end(), rgb.begin(), [&](std::uint8_t i) { return table[i]; });
    }
    EncodeSource src;
    src.width = 2 * kWidth;
    src.height = kHeight;
    src.rgb = rgb.data();
    src.quality = KAV_JpegQuality;
    Bytes bytes;
    if (!jpeg->encode(src, bytes)) return false;
    const std::optional<Bytes> noted = withJpegComment(bytes, comment_);
    if (!noted) rozoru::logEvent("capture " + path + ".jpg: " + comment_ + " not recorded in the file");
    const std::string why = replaceFile(withExtension(path, 1), noted ? *noted : bytes);
    if (!why.empty()) rozoru::logEvent("picture not saved: " + why);
    return why.empty();
  }

 private:
  std::string comment_;
};

std::tm now() {
  if (g_clock) return g_clock();
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

// The period's wait, cut short by a capture request so that the picture is
// taken at once, not up to a period later: Space in the main window
// (kav_keyflag), or a Capture button, whose action is carried out here.
void waitPeriod(int ms) {
  const int t0 = KAV_GetTime();
  // A Capture click handled at the end of the previous pass, after its
  // buttons were read, counts as well: checked before the first wait too.
  auto captureAsked = [] {
    const bool button = KAV_GetButton(11) != 0;
    if (KAV_GetButton(35) != 0 || button) kav_keyflag = 1;
    return kav_keyflag.load() != 0;
  };
  if (captureAsked()) return;
  for (;;) {
    const unsigned elapsed = elapsedMs(t0, KAV_GetTime());
    if (ms <= 0 || elapsed >= static_cast<unsigned>(ms)) return;
    if (KAV_WaitMessage(ms - static_cast<int>(elapsed)) != 2) return;
    if (captureAsked()) return;
  }
}

}  // namespace

// The pair side by side in window 2, made 640x240 for the moment, then
// saved. A closed LR window is opened only for the capture.
void capture() {
  if (!usable(0) || !usable(1)) {
    print("Capture not saved: the Right or Left window is closed\n");
    return;
  }
  const std::tm t = now();
  const bool hadPreview = kav_image[2].inUse;
  const int made = hadPreview ? KAV_ResizeImage(2, 2 * kWidth, kHeight)
                              : KAV_CreateImage(2, "LR", 0, 0, 2 * kWidth, kHeight, 100);
  if (made != 0 || kav_image[2].width != 2 * kWidth || kav_image[2].height != kHeight) {
    print("Capture not saved: no memory for the 640x240 picture\n");
  } else {
    KAV_SelectImage(2);
    KAV_PutFrame(pixels(0), 0);
    KAV_PutFrame(pixels(1), kWidth);
    KAV_UpdateImage(2);
    const std::string skew = shownPairSkew();
    WindowSink sink(skew);
    if (g_globals.eventMode == 1)
      logCapture(saveEventCapture(t, sink, std::rand() % 32768, securePassword(), print), skew);
    else
      logCapture(saveSingleCapture(t, sink, print), skew);
  }
  if (hadPreview)
    KAV_ResizeImage(2, kWidth, kHeight);
  else
    KAV_DestroyImage(2);
}

unsigned elapsedMs(int t0, int now) { return static_cast<unsigned>(now) - static_cast<unsigned>(t0); }

Globals& globals() { return g_globals; }
void setOutputTap(Print tap) { g_tap = std::move(tap); }
void setClock(std::function<std::tm()> clock) { g_clock = std::move(clock); }
const State* runningState() { return g_running; }

std::string openErrorText(int code) {
  switch (code) {
    case 0: return {};
    case 1: return "The cameras are open already.";
    case 5:
    case 8: return "No camera found. Connect the cameras and start again.";
    case 19: return "The cameras could not be started.";
    case 21: return "No camera sends pictures.";
    case 22: return "A chosen camera is not there (--cameras): see the list of cameras found on stderr.";
    default: return "The capture system could not be set up.";
  }
}

namespace {

// True from a successful open until the run it starts: that run need not
// try failed cameras again, the open just did.
bool g_justOpened = false;

bool openCameras() {
  print("初期化中...\n");
  const int e = ryk_Open(kCameraRate);
  if (e != 0) {
    print(format("Error %d\n", e));
    print(openErrorText(e) + "\n");
    rozoru::logEvent(format("cameras not started (error %d): ", e) + openErrorText(e));
    return false;
  }
  return true;
}

// Start: cameras that did not start, or failed or stalled since, are tried
// again ("Connect the cameras and start again").
void startCamerasAgain(CameraWatch& watch) {
  if (std::exchange(g_justOpened, false)) return;
  if (ryk_ready.load() == 0) {
    openCameras();
    return;
  }
  for (int k = 0; k < 2 && k < ryk_count.load(); ++k) {
    const int st = ryk_CameraState(k);
    if (st != RYK_CAMERA_FAILED && st != RYK_CAMERA_STALLED) continue;
    watch.restarting(k);
    print(format("Camera %d: starting again\n", k));
  }
  ryk_RestartFailed();
}

}  // namespace

void init() {
  KAV_CreateImage(0, "Right", 0, 0, kWidth, kHeight, 50);
  KAV_CreateImage(1, "Left", 320, 0, kWidth, kHeight, 50);
  KAV_OpenTextWindow(0, 640, 0, 439, 135);
  KAV_CreateImage(2, "LR", 0, 0, kWidth, kHeight, 100);
  g_justOpened = false;
  if (!openCameras()) return;
  g_justOpened = true;
  kav_start = 1;
  kav_mousetracking = 1;
}

void run() {
  CameraWatch watch;
  startCamerasAgain(watch);
  LibraryCameras cams;
  State s = freshState(g_globals);
  g_running = &s;
  KAV_OpenButtonBox(0, 270, kBoxColumns, kBoxRows);
  for (int k = 0; k < kActiveButtons; ++k) KAV_SetButtonBoxTitle(k, kCaptions[static_cast<std::size_t>(k)]);
  kav_mousetracking = 1;
  std::srand(static_cast<unsigned>(std::time(nullptr)));

  PairTaker taker(kCameraRate);
  g_shown = {};
  if (ryk_ready.load() == 1) takePair(taker, s, false);
  alignExposureAndGain(s, cams, print);
  KAV_DoEvents();

  TakenPair taken;
  while (kav_stop.load() == 0) {
    ++s.passes;
    // A capture request found at the top skips the wait and the new frames:
    // the camera pictures of the previous pass are saved, with the gamma
    // curve only, as a request during the wait saves this pass's.
    std::array<bool, 2> fresh{false, false};
    if (kav_keyflag.load() == 0) {
      waitPeriod(s.sleepMs);
      fresh = takePair(taker, s, s.waitSync != 0);
      watch.check();
    }
    for (int id : {0, 1}) taken.settle(id, fresh[static_cast<std::size_t>(id)]);
    if (usable(0) && usable(1) && (s.gammaSelection != 0 || s.blend == 1 || s.anaglyph != 0)) {
      taken.keep(0);
      taken.keep(1);
    }
    if (s.gammaSelection != 0 && usable(0) && usable(1)) applyGamma(pixels(0), pixels(1), s.gamma);
    // Taken before saving, so that a press during the save is not lost: it
    // asks for the next capture.
    if (kav_keyflag.exchange(0) != 0) capture();
    if (usable(0) && usable(1)) {
      if (s.blend == 1) blend(pixels(0), pixels(1));
      if (s.anaglyph != 0) anaglyph(pixels(0), pixels(1), s.anaglyph, g_globals.swapFlag);
      if (usable(2)) preview(pixels(0), pixels(1), pixels(2));
    }
    if (kav_image[2].inUse) KAV_SelectImage(2);
    KAV_UpdateImage(KAV_CurrentImage());
    // Right and Left are live too, not only when they are uncovered.
    for (int id : {0, 1})
      if (kav_image[id].inUse) KAV_UpdateImage(id);

    for (int k = 0; k < kActiveButtons; ++k)
      if (KAV_GetButton(k) != 0) carryOut(k, s, g_globals, cams, print, kav_keyflag);
    KAV_DoEvents();
  }
  g_running = nullptr;
  print("Stop\n");
}

void shutdown() { ryk_Close(); }

}  // namespace stereo
