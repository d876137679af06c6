// Which mode each camera gets: the modes real cameras report, read through the
// caps adapter, and the cases those files do not show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "camera/caps_modes.h"

namespace ryk {
namespace {

GstCaps* capsOf(const std::string& text) {
  gst_init(nullptr, nullptr);
  return gst_caps_from_string(text.c_str());
}

// The mode chosen for 30 fps, and that its fixed caps are among those offered.
ChosenMode choose(const std::string& text, Fraction fps = {30, 1}) {
  GstCaps* offered = capsOf(text);
  EXPECT_NE(offered, nullptr) << text;
  const ChosenMode m = chooseMode(offeredModes(offered), fps);
  if (GstCaps* fixed = capsFor(m)) {
    EXPECT_TRUE(gst_caps_is_fixed(fixed));
    EXPECT_TRUE(gst_caps_can_intersect(offered, fixed)) << describe(m);
    gst_caps_unref(fixed);
  }
  if (offered) gst_caps_unref(offered);
  return m;
}

// The mode a camera falls back to when the chosen one fails for lack of bus
// bandwidth: every recorded camera gets a lighter one, none a heavier.
std::string lighterAfter(const std::string& text, const ChosenMode& failed) {
  GstCaps* offered = capsOf(text);
  const ChosenMode m = lighterMode(offeredModes(offered), failed, {30, 1});
  if (GstCaps* fixed = capsFor(m)) {
    EXPECT_TRUE(gst_caps_can_intersect(offered, fixed)) << describe(m);
    gst_caps_unref(fixed);
  }
  gst_caps_unref(offered);
  return describe(m);
}

bool sideBySide(const std::string& text) {
  GstCaps* offered = capsOf(text);
  const bool sbs = isSideBySide(offeredModes(offered));
  gst_caps_unref(offered);
  return sbs;
}

TEST(ModeChoice, EveryRecordedCamera) {
  const std::filesystem::path dir = RYK_CAMERA_MODES_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no recorded camera modes at " << dir;
  // file -> the mode after the chosen one failed with no space on the bus:
  // MJPEG instead of raw, else a lower rate at that size, else none.
  const std::map<std::string, std::string> lighter = {
      {"dual-lens-side-by-side", "MJPEG 640x240 at 30 fps, centre 320x240"},
      {"hd-16x9-only", "no mode"},  // MJPEG already; 640x360 has no lower rate
      {"libcamera-ranges", "MJPEG 320x240 at 30 fps"},
      {"module-camera-mjpeg", "MJPEG 320x240 at 30 fps"},
      {"mono-grey", "no mode"},  // no MJPEG; 30 fps is its lowest
      {"slow-small-raw", "MJPEG 640x480 at 15 fps"},
      {"webcam-1080p-uvc", "MJPEG 320x240 at 30 fps"},
      {"webcam-720p-uvc", "MJPEG 320x240 at 30 fps"},
  };
  // file -> the mode and the words of the reason that matter.
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"dual-lens-side-by-side", {"YUY2 640x240 at 30 fps, centre 320x240", "no 4:3 size"}},
      {"hd-16x9-only", {"MJPEG 640x360 at 30 fps, centre 480x360", "110.6 Mbit/s at 30 fps, over the 100.0"}},
      {"libcamera-ranges", {"NV12 320x240 at 30 fps", "smallest 4:3 size at least 320x240; raw at 27.6"}},
      {"module-camera-mjpeg", {"YUY2 320x240 at 30 fps", "raw at 36.9 Mbit/s within"}},
      {"mono-grey", {"GRAY8 640x400 at 30 fps, centre 532x400", "raw at 61.4 Mbit/s within"}},
      {"slow-small-raw", {"MJPEG 640x480 at 30 fps", "raw at this size reaches only 15 fps"}},
      {"webcam-1080p-uvc", {"YUY2 320x240 at 30 fps", "reaches 30 fps; smallest 4:3"}},
      {"webcam-720p-uvc", {"YUY2 320x240 at 30 fps", "reaches 30 fps; smallest 4:3"}},
  };
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".caps") continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line, caps;
    while (std::getline(in, line))
      if (!line.empty() && line[0] != '#') caps += line + ";";
    const ChosenMode m = choose(caps);
    const std::string name = entry.path().stem().string();
    const auto want = expected.find(name);
    ASSERT_NE(want, expected.end()) << name << " gets " << describe(m) << " (" << m.reason << "): add it here";
    EXPECT_EQ(describe(m), want->second.first) << name << ": " << m.reason;
    EXPECT_NE(m.reason.find(want->second.second), std::string::npos) << name << ": " << m.reason;
    EXPECT_EQ(lighterAfter(caps, m), lighter.at(name)) << name;
    // Only the two-sensor device is taken for a side-by-side pair.
    EXPECT_EQ(sideBySide(caps), name == "dual-lens-side-by-side") << name;
    if (name == "dual-lens-side-by-side") {  // as a pair: two 4:3 halves of 320x240 or more
      GstCaps* offered = capsOf(caps);
      const ChosenMode pair = chooseMode(offeredModes(offered), {30, 1}, 100.0, 2);
      gst_caps_unref(offered);
      EXPECT_EQ(describe(pair), "YUY2 640x240 at 30 fps") << pair.reason;
      EXPECT_NE(pair.reason.find("smallest 4:3 size at least 640x240 (two 4:3 halves)"), std::string::npos);
    }
  }
  EXPECT_EQ(files, int(expected.size()));
}

TEST(ModeChoice, RangesRatesAndWhatCannotBeTaken) {
  // Nothing reaches the rate: the fastest wins over the 4:3 size and over MJPEG.
  ChosenMode m = choose("video/x-raw,format=YUY2,width=640,height=360,framerate={15/1,10/1};"
                        "image/jpeg,width=320,height=240,framerate=10/1");
  EXPECT_EQ(describe(m), "YUY2 640x360 at 15 fps, centre 480x360");
  EXPECT_NE(m.reason.find("nothing reaches 30 fps; the fastest is 15 fps"), std::string::npos) << m.reason;
  // A stepped size range with no 320x240 gets its smallest 4:3 size; a rate range
  // its requested rate; the slowest listed rate at least the requested one.
  EXPECT_EQ(describe(choose("video/x-raw,format=GRAY8,width=[336,1280,16],height=[64,960,4],framerate=[1/1,90/1]", {25, 1})),
            "GRAY8 336x252 at 25 fps");
  EXPECT_EQ(describe(choose("image/jpeg,width=1280,height=960,framerate={60/1,45/1,20/1}")),
            "MJPEG 1280x960 at 45 fps");
  // Only too small: the largest; non-square pixels kept and cropped by shape.
  EXPECT_EQ(describe(choose("video/x-raw,format=NV12,width={160,176},height={120,144},framerate=30/1")),
            "NV12 176x144 at 30 fps, centre 176x132");
  EXPECT_EQ(describe(choose("video/x-raw,format=YUY2,width=720,height=576,pixel-aspect-ratio=12/11,framerate=25/1",
                            {25, 1})),
            "YUY2 720x576 at 25 fps, centre 704x576");
  // Raw over budget at the rate, no MJPEG: a slower raw rate within budget first.
  EXPECT_EQ(describe(choose("video/x-raw,format=YUY2,width=1280,height=960,framerate={30/1,5/1};"
                            "video/x-raw,format=YUY2,width=640,height=480,framerate=15/1")),
            "YUY2 640x480 at 15 fps");
  // Lighter without MJPEG: a lower rate at the same size, half the rate in a range.
  EXPECT_EQ(lighterAfter("video/x-raw,format=GRAY8,width=[160,1280],height=[120,960],framerate=[1/1,90/1]",
                         choose("video/x-raw,format=GRAY8,width=[160,1280],height=[120,960],framerate=[1/1,90/1]")),
            "GRAY8 320x240 at 15 fps");
  EXPECT_EQ(lighterAfter("video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,20/1,15/1}",
                         choose("video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,20/1,15/1}")),
            "YUY2 640x480 at 20 fps");
  // Two 16:9 halves: each half keeps its own centred 4:3 part.
  GstCaps* wide = capsOf("image/jpeg,width=2560,height=720,framerate=30/1");
  m = chooseMode(offeredModes(wide), {30, 1}, 100.0, 2);
  gst_caps_unref(wide);
  EXPECT_EQ(describe(m), "MJPEG 2560x720 at 30 fps, centre 960x720");
  EXPECT_EQ(m.crop.x, 160);
  // H.264, Bayer and formats the chain cannot convert are never chosen.
  m = choose("video/x-h264,width=320,height=240,framerate=30/1;video/x-bayer,format=rggb,width=320,height=240;"
             "video/x-raw,format=FANCY,width=320,height=240,framerate=30/1");
  EXPECT_FALSE(m.found);
  EXPECT_EQ(capsFor(m), nullptr);
}

}  // namespace
}  // namespace ryk
