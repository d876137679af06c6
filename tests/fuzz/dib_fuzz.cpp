// libFuzzer target: the clipboard's bitmap-block reader on any bytes, as a
// bare block and as a BMP file.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/dib_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rozoru::imageio::checkDibReader(data, size);
  return 0;
}
