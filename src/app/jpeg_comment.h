// A comment marker (COM) written into a JPEG file's bytes, so that a capture
// carries a note any reader can show and every decoder skips.
#pragma once

#include <optional>
#include <string>

#include "imageio/file_bytes.h"

namespace stereo {

// The JPEG with `text` as a comment marker after its application markers
// (JFIF's APP0 stays first, as strict readers want it). nullopt when the
// bytes are not a JPEG whose opening markers are whole, or the text is
// longer than a marker holds (65533 bytes).
std::optional<rozoru::imageio::Bytes> withJpegComment(const rozoru::imageio::Bytes& jpeg, const std::string& text);

}  // namespace stereo
