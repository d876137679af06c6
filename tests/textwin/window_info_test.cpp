// The window information's report and generated source, from descriptions
// of open windows.
#include <gtest/gtest.h>

#include "textwin/window_info.h"

namespace rozoru::textwin {
namespace {

TEST(WindowInfo, ReportInItsColoursAndSourceWithEveryLiteralEscaped) {
  OpenWindows w;
  w.images = {{2, R"(a"b\c)", 32, 10, 20, 8, 6, 100}, {5, "abc", 8, 100, 50, 320, 240, 50}};
  w.texts = {{0, 7, 8, 400, 300}};
  w.inputBox = InputBoxInfo{30, 40, 120, 80, {"tab\there"}};
  w.buttonBox = ButtonBoxInfo{50, 60, 2, 1, 200, 50, {"two\nlines", "cr\r"}};
  const WindowReport r = windowReport(w);
  const std::vector<ColouredText> head = {
      {"******* Window information *******\n", 0xFFFF00, 0}, {"[Image Window]\n", 0x00FF00, 0},
      {" 2 ", 0xFFFFFF, 0}, {"F", 0x0080FF, 0}, {" 'a\"b\\c' X:10 Y:20 W:8 H:6 ZM:100%\n", 0xFFFFFF, 0},
      {" 5 ", 0xFFFFFF, 0}, {"8", 0x0080FF, 0}, {" 'abc' X:100 Y:50 W:320 H:240 ZM:50%\n", 0xFFFFFF, 0}};
  ASSERT_GE(r.pieces.size(), head.size());
  EXPECT_EQ(std::vector<ColouredText>(r.pieces.begin(), r.pieces.begin() + 8), head);
  std::string rest;
  for (std::size_t i = 8; i < r.pieces.size(); ++i) rest += r.pieces[i].text;
  EXPECT_EQ(rest, "[Text Window]\n 0 X:7 Y:8 W:400 H:300\n[Input Box]\n X:30 Y:40 ITEM:1 ISIZE:120 ESIZE:80\n"
                  "[Button Box]\n X:50 Y:60 NX:2 NY:1 SIZE:200x50\n**********************************\n");
  EXPECT_EQ(r.source,
            "\t// ROZORU --- Automatic Source Generator\n\t// [Image Window]\n"
            "\tKAV_CreateImage(2,\"a\\\"b\\\\c\",10,20,8,6,100);\n\tKAV_CreateImage8(5,\"abc\",100,50,320,240,50);\n"
            "\t// [Text Window]\n\tKAV_OpenTextWindow(0,7,8,400,300);\n"
            "\t// [Input Box]\n\tKAV_OpenInputBox(30,40,1);\n\tKAV_ResizeInputBox(120,80);\n"
            "\tKAV_SetInputBoxTitle(0,\"tab\\there\");\n"
            "\t// [Button Box]\n\tKAV_OpenButtonBox(50,60,2,1);\n\tKAV_ResizeButtonBox(200,50);\n"
            "\tKAV_SetButtonBoxTitle(0,\"two\\nlines\");\n\tKAV_SetButtonBoxTitle(1,\"cr\\r\");\n"
            "\tKAV_SetForeground(KAVMAINWINDOW);\n");
  // Without image windows their section is left out; the text section stays.
  EXPECT_EQ(windowReport({}).source,
            "\t// ROZORU --- Automatic Source Generator\n\t// [Text Window]\n\tKAV_SetForeground(KAVMAINWINDOW);\n");
}

}  // namespace
}  // namespace rozoru::textwin
