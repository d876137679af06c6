// Which hint a camera error gets, from GStreamer's code or the system's words.
#include <gtest/gtest.h>

#include "camera/error_hints.h"

namespace ryk {
namespace {

TEST(ErrorHints, CodeOrSystemWordsGiveTheHint) {
  const std::string_view res = kResourceDomain;
  struct Case { std::string_view domain; int code; std::string_view text, hint; };
  const Case cases[] = {
      {res, 15, "Not authorized", "the user is not in the video group"},
      {res, 7, "Could not open device.\nsystem error: Permission denied", "the user is not in the video group"},
      {res, 4, "Device '/dev/video0' is busy", "another program uses the camera"},
      {"other", 1, "ioctl failed: EBUSY", "another program uses the camera"},
      {res, 14, "Failed to allocate", "too many cameras on one USB bus, try MJPEG or another port"},
      {res, 1, "streamon: No space left on device", "too many cameras on one USB bus, try MJPEG or another port"},
      {res, 9, "poll error 1: No such device (19)", "the camera left its port: plug it back in the same port"},
      {"other", 4, "Internal data stream error.", ""},  // a code of another domain means nothing here
  };
  for (const Case& c : cases) EXPECT_EQ(errorHint(c.domain, c.code, c.text), c.hint) << c.text;
  // No bus space or a failed negotiation asks for a lighter mode; busy, gone
  // or forbidden does not (a lighter mode would fail the same way).
  for (const Case& c : cases)
    EXPECT_EQ(wantsLighterMode(c.domain, c.code, c.text), c.hint.starts_with("too many")) << c.text;
  EXPECT_TRUE(wantsLighterMode(kCoreDomain, kCoreNegotiation, "Could not negotiate format"));
  EXPECT_TRUE(wantsLighterMode("gst-stream-error-quark", 1, "streaming stopped, reason not-negotiated (-4)"));
}

TEST(ErrorHints, TheTextNamesDeviceReasonAndHint) {
  EXPECT_EQ(errorText("/dev/video2 at usb-0000:00:14.0-2", "Could not read.", "x.c(1): y\nsystem error: No such device",
                      "unplugged"),
            "/dev/video2 at usb-0000:00:14.0-2: Could not read. (No such device); unplugged");
  EXPECT_EQ(errorText("", "", "", ""), "error");
}

}  // namespace
}  // namespace ryk
