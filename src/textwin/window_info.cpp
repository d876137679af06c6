#include "textwin/window_info.h"

namespace rozoru::textwin {

namespace {

constexpr std::uint32_t kPlain = 0xFFFFFF;
constexpr std::uint32_t kFrame = 0xFFFF00;    // the first and last lines
constexpr std::uint32_t kSection = 0x00FF00;  // "[Image Window]" and the like
constexpr std::uint32_t kDepth = 0x0080FF;    // an image's F or 8

std::string n(int v) { return std::to_string(v); }

// Arguments joined by commas.
template <class... T>
std::string args(const T&... parts) {
  std::string out;
  bool first = true;
  ((out += first ? "" : ",", out += parts, first = false), ...);
  return out;
}

class Builder {
 public:
  // One print, so that no piece is longer than a print takes.
  void say(std::string text, std::uint32_t fg = kPlain) { report_.pieces.push_back({std::move(text), fg, 0}); }
  void section(const std::string& name) {
    say("[" + name + "]\n", kSection);
    call("// [" + name + "]");
  }
  // One line of the source: a tab, the text, a line feed.
  void call(const std::string& line) { report_.source += "\t" + line + "\n"; }
  WindowReport take() { return std::move(report_); }

 private:
  WindowReport report_;
};

}  // namespace

std::string cppStringLiteral(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c; break;
    }
  }
  return out + "\"";
}

WindowReport windowReport(const OpenWindows& w) {
  Builder b;
  b.say("******* Window information *******\n", kFrame);
  b.call("// ROZORU --- Automatic Source Generator");

  if (!w.images.empty()) b.section("Image Window");
  for (const ImageWindowInfo& i : w.images) {
    const bool full = i.bits == 32;
    b.say(" " + n(i.id) + " ");
    b.say(full ? "F" : "8", kDepth);
    b.say(" '" + i.name + "' X:" + n(i.left) + " Y:" + n(i.top) + " W:" + n(i.width) + " H:" + n(i.height) +
          " ZM:" + n(i.zoom) + "%\n");
    b.call(std::string(full ? "KAV_CreateImage(" : "KAV_CreateImage8(") +
           args(n(i.id), cppStringLiteral(i.name), n(i.left), n(i.top), n(i.width), n(i.height), n(i.zoom)) + ");");
  }

  b.section("Text Window");
  for (const TextWindowInfo& t : w.texts) {
    b.say(" " + n(t.index) + " X:" + n(t.left) + " Y:" + n(t.top) + " W:" + n(t.width) + " H:" + n(t.height) + "\n");
    b.call("KAV_OpenTextWindow(" + args(n(t.index), n(t.left), n(t.top), n(t.width), n(t.height)) + ");");
  }

  if (const auto& ib = w.inputBox) {
    b.section("Input Box");
    const int items = static_cast<int>(ib->titles.size());
    b.say(" X:" + n(ib->left) + " Y:" + n(ib->top) + " ITEM:" + n(items) + " ISIZE:" + n(ib->titleWidth) +
          " ESIZE:" + n(ib->editWidth) + "\n");
    b.call("KAV_OpenInputBox(" + args(n(ib->left), n(ib->top), n(items)) + ");");
    b.call("KAV_ResizeInputBox(" + args(n(ib->titleWidth), n(ib->editWidth)) + ");");
    for (int i = 0; i < items; ++i)
      b.call("KAV_SetInputBoxTitle(" + args(n(i), cppStringLiteral(ib->titles[static_cast<std::size_t>(i)])) + ");");
  }

  if (const auto& bb = w.buttonBox) {
    b.section("Button Box");
    b.say(" X:" + n(bb->left) + " Y:" + n(bb->top) + " NX:" + n(bb->nx) + " NY:" + n(bb->ny) + " SIZE:" +
          n(bb->clientWidth) + "x" + n(bb->clientHeight) + "\n");
    b.call("KAV_OpenButtonBox(" + args(n(bb->left), n(bb->top), n(bb->nx), n(bb->ny)) + ");");
    b.call("KAV_ResizeButtonBox(" + args(n(bb->clientWidth), n(bb->clientHeight)) + ");");
    for (std::size_t i = 0; i < bb->captions.size(); ++i)
      b.call("KAV_SetButtonBoxTitle(" + args(n(static_cast<int>(i)), cppStringLiteral(bb->captions[i])) + ");");
  }

  b.say("**********************************\n", kFrame);
  b.call("KAV_SetForeground(KAVMAINWINDOW);");
  return b.take();
}

}  // namespace rozoru::textwin
