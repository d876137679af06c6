// The window information: from a description of the open framework windows,
// the coloured report a text window prints and the source text of framework
// calls that re-create the same layout.
//
// Plain C++, no state: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rozoru::textwin {

struct ImageWindowInfo {
  int id = 0;
  std::string name;
  int bits = 32;
  int left = 0, top = 0;     // outer top-left corner on the screen
  int width = 0, height = 0;  // image size
  int zoom = 100;
};

struct TextWindowInfo {
  int index = 0;
  int left = 0, top = 0;
  int width = 0, height = 0;  // client size
};

struct InputBoxInfo {
  int left = 0, top = 0;
  int titleWidth = 0, editWidth = 0;
  std::vector<std::string> titles;  // one per item
};

struct ButtonBoxInfo {
  int left = 0, top = 0;
  int nx = 0, ny = 0;
  int clientWidth = 0, clientHeight = 0;
  std::vector<std::string> captions;  // one per button
};

struct OpenWindows {
  std::vector<ImageWindowInfo> images;  // in slot order
  std::vector<TextWindowInfo> texts;    // in index order
  std::optional<InputBoxInfo> inputBox;
  std::optional<ButtonBoxInfo> buttonBox;
};

// A piece of the report in its colours (0x00RRGGBB).
struct ColouredText {
  std::string text;
  std::uint32_t fg = 0xFFFFFF, bg = 0;
  friend bool operator==(const ColouredText&, const ColouredText&) = default;
};

struct WindowReport {
  std::vector<ColouredText> pieces;  // printed in this order
  std::string source;                // the generated framework calls
};

WindowReport windowReport(const OpenWindows& windows);

// text as a C++ string literal, quotes included: backslash, double quote,
// line feed, carriage return and tab escaped, so any title compiles as it is.
std::string cppStringLiteral(std::string_view text);

// Printed after the source text has gone to the clipboard, in its colours.
inline constexpr std::string_view kSourceSavedNotice = "クリップボードにレイアウト作成ソースリストを保存しました．\n";
inline constexpr std::uint32_t kNoticeFg = 0xFFFF00, kNoticeBg = 0x000080;

}  // namespace rozoru::textwin
