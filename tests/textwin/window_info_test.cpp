// The window information's report and generated source, from descriptions
// of open windows.
#include <gtest/gtest.h>

#include "textwin/window_info.h"

namespace rozoru::textwin {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kYellow = 0xFFFF00, kGreen = 0x00FF00, kOrange = 0x0080FF;

TEST(WindowInfo, ImageAndTextWindowsInTheirColoursAndSource) {
  OpenWindows w;
  w.images = {{2, "Right", 32, 10, 20, 320, 240, 100}, {5, "abc", 8, 100, 50, 320, 240, 50}};
  w.texts = {{0, 7, 8, 400, 300}};
  const WindowReport r = windowReport(w);
  const std::vector<ColouredText> want = {
      {"******* Window information *******\n", kYellow, 0},
      {"[Image Window]\n", kGreen, 0},
      {" 2 ", kWhite, 0},
      {"F", kOrange, 0},
      {" 'Right' X:10 Y:20 W:320 H:240 ZM:100%\n", kWhite, 0},
      {" 5 ", kWhite, 0},
      {"8", kOrange, 0},
      {" 'abc' X:100 Y:50 W:320 H:240 ZM:50%\n", kWhite, 0},
      {"[Text Window]\n", kGreen, 0},
      {" 0 X:7 Y:8 W:400 H:300\n", kWhite, 0},
      {"**********************************\n", kYellow, 0},
  };
  EXPECT_EQ(r.pieces, want);
  EXPECT_EQ(r.source,
            "\t// ROZORU --- Automatic Source Generator\n"
            "\t// [Image Window]\n"
            "\tKAV_CreateImage(2,\"Right\",10,20,320,240,100);\n"
            "\tKAV_CreateImage8(5,\"abc\",100,50,320,240,50);\n"
            "\t// [Text Window]\n"
            "\tKAV_OpenTextWindow(0,7,8,400,300);\n"
            "\tKAV_SetForeground(KAVMAINWINDOW);\n");

  // Without image windows their section is left out; the text section stays.
  const WindowReport none = windowReport({});
  EXPECT_EQ(none.source,
            "\t// ROZORU --- Automatic Source Generator\n\t// [Text Window]\n\tKAV_SetForeground(KAVMAINWINDOW);\n");
}

TEST(WindowInfo, BoxesAndEveryStringLiteralEscaped) {
  OpenWindows w;
  w.images = {{0, R"(a"b\c.png)", 32, 0, 0, 8, 8, 100}};
  w.inputBox = InputBoxInfo{30, 40, 120, 80, {"Gain", "tab\there"}};
  w.buttonBox = ButtonBoxInfo{50, 60, 2, 1, 200, 50, {"two\nlines", "cr\rend"}};
  const WindowReport r = windowReport(w);
  EXPECT_EQ(r.pieces[4].text, " 'a\"b\\c.png' X:0 Y:0 W:8 H:8 ZM:100%\n") << "the report shows the name as it is";
  const std::string want =
      "\t// [Image Window]\n"
      "\tKAV_CreateImage(0,\"a\\\"b\\\\c.png\",0,0,8,8,100);\n"
      "\t// [Text Window]\n"
      "\t// [Input Box]\n"
      "\tKAV_OpenInputBox(30,40,2);\n"
      "\tKAV_ResizeInputBox(120,80);\n"
      "\tKAV_SetInputBoxTitle(0,\"Gain\");\n"
      "\tKAV_SetInputBoxTitle(1,\"tab\\there\");\n"
      "\t// [Button Box]\n"
      "\tKAV_OpenButtonBox(50,60,2,1);\n"
      "\tKAV_ResizeButtonBox(200,50);\n"
      "\tKAV_SetButtonBoxTitle(0,\"two\\nlines\");\n"
      "\tKAV_SetButtonBoxTitle(1,\"cr\\rend\");\n"
      "\tKAV_SetForeground(KAVMAINWINDOW);\n";
  EXPECT_NE(r.source.find(want), std::string::npos) << r.source;
  std::string report;
  for (const ColouredText& p : r.pieces) report += p.text;
  EXPECT_NE(report.find("[Input Box]\n X:30 Y:40 ITEM:2 ISIZE:120 ESIZE:80\n"
                        "[Button Box]\n X:50 Y:60 NX:2 NY:1 SIZE:200x50\n"),
            std::string::npos)
      << report;
}

}  // namespace
}  // namespace rozoru::textwin
