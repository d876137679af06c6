// Bitmap-font text's helpers that tests reach. Reentrant.
#pragma once

#include <string_view>

namespace rozoru {

// The longest text KAV_DrawPrintf draws, in bytes.
inline constexpr std::size_t kDrawPrintfLimit = 4095;

// text without a UTF-8 sequence left incomplete at its end, so that a cut
// made by a byte limit never leaves half a character behind.
std::string_view trimPartialUtf8(std::string_view text);

}  // namespace rozoru
