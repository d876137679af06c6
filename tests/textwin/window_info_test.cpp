// The window information's report and generated source, from descriptions
// of open windows. Text windows and the input box round-trip in
// tests/e2e/window_info_source.sh; a report without image windows is the
// text commands' test (textwin_test.cpp).
#include <gtest/gtest.h>

#include "textwin/window_info.h"

namespace rozoru::textwin {
namespace {

TEST(WindowInfo, ReportInItsColoursAndSourceWithEveryLiteralEscaped) {
  OpenWindows w;
  w.images = {{2, R"(a"b\c)", 32, 10, 20, 8, 6, 100}, {5, "abc", 8, 100, 50, 320, 240, 50}};
  w.buttonBox = ButtonBoxInfo{50, 60, 2, 1, 200, 50, {"two\nlines", "cr\r\t"}};
  const WindowReport r = windowReport(w);
  const std::vector<ColouredText> head = {
      {"******* Window information *******\n", 0xFFFF00, 0}, {"[Image Window]\n", 0x00FF00, 0},
      {" 2 ", 0xFFFFFF, 0}, {"F", 0x0080FF, 0}, {" 'a\"b\\c' X:10 Y:20 W:8 H:6 ZM:100%\n", 0xFFFFFF, 0},
      {" 5 ", 0xFFFFFF, 0}, {"8", 0x0080FF, 0}, {" 'abc' X:100 Y:50 W:320 H:240 ZM:50%\n", 0xFFFFFF, 0}};
  ASSERT_GE(r.pieces.size(), head.size());
  EXPECT_EQ(std::vector<ColouredText>(r.pieces.begin(), r.pieces.begin() + 8), head);
  std::string rest;
  for (std::size_t i = 8; i < r.pieces.size(); ++i) rest += r.pieces[i].text;
  EXPECT_EQ(rest, "[Text Window]\n[Button Box]\n X:50 Y:60 NX:2 NY:1 SIZE:200x50\n**********************************\n");
  EXPECT_EQ(r.source,
            "\t// ROZORU --- Automatic Source Generator\n\t// [Image Window]\n"
            "\tKAV_CreateImage(2,\"a\\\"b\\\\c\",10,20,8,6,100);\n\tKAV_CreateImage8(5,\"abc\",100,50,320,240,50);\n"
            "\t// [Text Window]\n\t// [Button Box]\n\tKAV_OpenButtonBox(50,60,2,1);\n\tKAV_ResizeButtonBox(200,50);\n"
            "\tKAV_SetButtonBoxTitle(0,\"two\\nlines\");\n\tKAV_SetButtonBoxTitle(1,\"cr\\r\\t\");\n"
            "\tKAV_SetForeground(KAVMAINWINDOW);\n");
}

}  // namespace
}  // namespace rozoru::textwin
