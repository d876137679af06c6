// The programs' command line, without a display.
#include "shell/core/command_line.h"

#include <gtest/gtest.h>

namespace rozoru {
namespace {

using Action = CommandLine::Action;
using Args = std::vector<std::string>;

TEST(CommandLineTest, OwnOptionsAndQtsOptionsAreTold) {
  const CommandLine c =
      parseCommandLine({"/usr/bin/rozoru-stereo", "-platform", "xcb", "--captures", "shots", "--style=fusion",
                        "--cameras", "/dev/video4, Cam", "-reverse", "--display", ":1"},
                       "/from/env", "usb-0000:00:14.0-1,usb-0000:00:14.0-2");
  EXPECT_EQ(c.action, Action::Run) << c.error;
  EXPECT_EQ(c.captures, "shots");  // the options win over $ROZORU_CAPTURES and $ROZORU_CAMERAS
  EXPECT_EQ(c.cameras, "/dev/video4, Cam");
  EXPECT_EQ(c.qtArguments,
            (Args{"/usr/bin/rozoru-stereo", "-platform", "xcb", "--style=fusion", "-reverse", "--display", ":1"}));

  CommandLine x11 = parseCommandLine({"p", "-reverse"}, nullptr, nullptr);
  preferX11(x11, nullptr, ":0");
  EXPECT_EQ(x11.qtArguments, (Args{"p", "-platform", "xcb", "-reverse"}));
  CommandLine chosen = c;
  preferX11(chosen, nullptr, ":0");  // -platform given
  EXPECT_EQ(chosen.qtArguments, c.qtArguments);
  CommandLine wayland = parseCommandLine({"p"}, nullptr, nullptr);
  preferX11(wayland, "wayland", ":0");
  preferX11(wayland, nullptr, nullptr);
  EXPECT_EQ(wayland.qtArguments, Args{"p"});

  EXPECT_EQ(parseCommandLine({"p"}, "/from/env", "A,B").captures, "/from/env");
  EXPECT_EQ(parseCommandLine({"p"}, "/from/env", "A,B").cameras, "A,B");
  EXPECT_EQ(parseCommandLine({"p", "--captures=a=b", "--cameras=a=b"}, "", "").cameras, "a=b");
  EXPECT_EQ(parseCommandLine({"p"}, nullptr, nullptr).captures, "");
  EXPECT_EQ(parseCommandLine({"p", "--version", "-h"}, nullptr, ",").action, Action::Help);
}

TEST(CommandLineTest, MistakesAreRefusedWithTheReason) {
  const std::pair<Args, std::string> cases[] = {
      {{"p", "--capture", "x"}, "unknown option '--capture'"},
      {{"p", "-x"}, "unknown option '-x'"},
      {{"p", "-reverse=1"}, "unknown option '-reverse=1'"},
      {{"p", "photos"}, "unexpected argument 'photos'"},
      {{"p", "--captures"}, "option --captures needs a folder"},
      {{"p", "--captures="}, "option --captures needs a folder, not an empty name"},
      {{"p", "-platform"}, "option -platform needs a value"},
      {{"p", "--cameras"}, "option --cameras needs a list of cameras"},
      {{"p", "--cameras="}, "option --cameras needs camera names separated by commas, none of them empty"},
      {{"p", "--cameras", "A, ,B"}, "option --cameras needs camera names separated by commas, none of them empty"},
      {{"p", "--cameras=A,"}, "option --cameras needs camera names separated by commas, none of them empty"},
      {{"p"}, "ROZORU_CAMERAS needs camera names separated by commas, none of them empty"},
  };
  for (const auto& [args, why] : cases) {
    const CommandLine c = parseCommandLine(args, nullptr, ",A");
    EXPECT_EQ(c.action, Action::Error) << args.back();
    EXPECT_EQ(c.error, why);
  }
}

}  // namespace
}  // namespace rozoru
