// What a camera error means to the user: the hint that goes with a
// GStreamer error (its domain and code) and its texts. Plain logic, so that
// it is tested without GStreamer.
#pragma once

#include <string>
#include <string_view>

namespace ryk {

// The GstResourceError codes the hints look at (bus_watch.cpp checks them
// against GStreamer's own).
enum class ResourceCode : int { Busy = 4, NoSpaceLeft = 14, NotAuthorized = 15 };

// The domain name of GStreamer's resource errors.
inline constexpr std::string_view kResourceDomain = "gst-resource-error-quark";
// GStreamer's core errors, and the code of a failed negotiation among them.
inline constexpr std::string_view kCoreDomain = "gst-core-error-quark";
inline constexpr int kCoreNegotiation = 7;

// A hint for an error of `domain` and `code` whose message and debug text are
// `text`, or "" when none helps: not allowed (EACCES), busy (EBUSY), no USB
// bandwidth (ENOSPC), gone (ENODEV).
std::string errorHint(std::string_view domain, int code, std::string_view text);

// Whether a lighter mode may stream where this error stopped the camera: no
// space left on its bus (ENOSPC), or a mode the chain could not negotiate
// (a negotiation error, or a flow that ended "not-negotiated").
bool wantsLighterMode(std::string_view domain, int code, std::string_view text);

// The system's reason in a GStreamer debug text ("... system error: Device
// or resource busy" gives "Device or resource busy"), or "".
std::string systemReason(std::string_view debug);

// "<device>: <reason> (<system reason>); <hint>": one camera error as the
// text window and stderr show it. Parts that are empty are left out.
std::string errorText(const std::string& device, std::string_view reason, std::string_view debug,
                      std::string_view hint);

}  // namespace ryk
