// The programs' command line, without a display.
#include "shell/core/command_line.h"

#include <gtest/gtest.h>

namespace rozoru {
namespace {

using Action = CommandLine::Action;
using Args = std::vector<std::string>;

TEST(CommandLineTest, OwnOptionsAndQtsOptionsAreTold) {
  const CommandLine c = parseCommandLine({"/usr/bin/rozoru-stereo", "-platform", "xcb", "--captures", "shots",
                                          "--style=fusion", "-reverse", "--display", ":1"},
                                         "/from/env");
  EXPECT_EQ(c.action, Action::Run) << c.error;
  EXPECT_EQ(c.captures, "shots");  // the option wins over $ROZORU_CAPTURES
  EXPECT_EQ(c.qtArguments,
            (Args{"/usr/bin/rozoru-stereo", "-platform", "xcb", "--style=fusion", "-reverse", "--display", ":1"}));

  CommandLine x11 = parseCommandLine({"p", "-reverse"}, nullptr);
  preferX11(x11, nullptr, ":0");
  EXPECT_EQ(x11.qtArguments, (Args{"p", "-platform", "xcb", "-reverse"}));
  CommandLine chosen = c;
  preferX11(chosen, nullptr, ":0");  // -platform given
  EXPECT_EQ(chosen.qtArguments, c.qtArguments);
  CommandLine wayland = parseCommandLine({"p"}, nullptr);
  preferX11(wayland, "wayland", ":0");
  preferX11(wayland, nullptr, nullptr);
  EXPECT_EQ(wayland.qtArguments, Args{"p"});

  EXPECT_EQ(parseCommandLine({"p"}, "/from/env").captures, "/from/env");
  EXPECT_EQ(parseCommandLine({"p", "--captures=a=b"}, "").captures, "a=b");
  EXPECT_EQ(parseCommandLine({"p"}, nullptr).captures, "");
  EXPECT_EQ(parseCommandLine({"p", "--version", "-h"}, nullptr).action, Action::Help);
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
  };
  for (const auto& [args, why] : cases) {
    const CommandLine c = parseCommandLine(args, nullptr);
    EXPECT_EQ(c.action, Action::Error) << args[1];
    EXPECT_EQ(c.error, why);
  }
}

}  // namespace
}  // namespace rozoru
