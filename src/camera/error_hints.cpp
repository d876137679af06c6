#include "camera/error_hints.h"

namespace ryk {

namespace {

bool has(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

}  // namespace

std::string errorHint(std::string_view domain, int code, std::string_view text) {
  const bool resource = domain == kResourceDomain;
  // The code, when GStreamer gave a specific one; else the system's words
  // (v4l2src reports a refused open as OPEN_READ_WRITE with "Permission denied").
  if ((resource && code == static_cast<int>(ResourceCode::NotAuthorized)) || has(text, "Permission denied") ||
      has(text, "EACCES"))
    return "the user is not in the video group";
  if ((resource && code == static_cast<int>(ResourceCode::Busy)) || has(text, "Device or resource busy") ||
      has(text, "EBUSY"))
    return "another program uses the camera";
  if ((resource && code == static_cast<int>(ResourceCode::NoSpaceLeft)) || has(text, "No space left on device") ||
      has(text, "ENOSPC"))
    return "too many cameras on one USB bus, try MJPEG or another port";
  if (has(text, "No such device") || has(text, "ENODEV"))
    return "the camera left its port: plug it back in the same port";
  return "";
}

bool wantsLighterMode(std::string_view domain, int code, std::string_view text) {
  return (domain == kResourceDomain && code == static_cast<int>(ResourceCode::NoSpaceLeft)) ||
         has(text, "No space left on device") || (domain == kCoreDomain && code == kCoreNegotiation) ||
         has(text, "not-negotiated");
}

std::string systemReason(std::string_view debug) {
  constexpr std::string_view tag = "system error: ";
  const auto at = debug.rfind(tag);
  if (at == std::string_view::npos) return "";
  std::string_view why = debug.substr(at + tag.size());
  why = why.substr(0, why.find('\n'));
  return std::string(why);
}

std::string errorText(const std::string& device, std::string_view reason, std::string_view debug,
                      std::string_view hint) {
  std::string text = device.empty() ? std::string() : device + ": ";
  text += reason.empty() ? std::string_view("error") : reason;
  if (const std::string why = systemReason(debug); !why.empty() && !has(reason, why)) text += " (" + why + ")";
  if (!hint.empty()) text += std::string("; ") + std::string(hint);
  return text;
}

}  // namespace ryk
