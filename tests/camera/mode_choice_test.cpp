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

TEST(ModeChoice, EveryRecordedCamera) {
  const std::filesystem::path dir = RYK_CAMERA_MODES_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no recorded camera modes at " << dir;
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
  // H.264, Bayer and formats the chain cannot convert are never chosen.
  m = choose("video/x-h264,width=320,height=240,framerate=30/1;video/x-bayer,format=rggb,width=320,height=240;"
             "video/x-raw,format=FANCY,width=320,height=240,framerate=30/1");
  EXPECT_FALSE(m.found);
  EXPECT_EQ(capsFor(m), nullptr);
}

}  // namespace
}  // namespace ryk
