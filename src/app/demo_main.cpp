// The stereo demo: the stereo program on two synthetic cameras that look at
// a moving scene from two places side by side.
//
// ROZORU_DEMO_PATTERNS=<pattern0>,<pattern1> shows two of the test source's
// patterns instead (for example "red,blue", so that every picture tells which
// camera it came from).
#include <cstdlib>
#include <string>

#include "ryk/synthetic.h"
#include "shell/qt/framework.h"

int main(int argc, char** argv) {
  const char* patterns = std::getenv("ROZORU_DEMO_PATTERNS");
  const std::string p = patterns ? patterns : "";
  if (const auto comma = p.find(','); comma != std::string::npos && comma > 0 && comma + 1 < p.size())
    ryk::useSyntheticCameras({{"", 0, p.substr(0, comma), 0}, {"", 0, p.substr(comma + 1), 0}});
  else
    ryk_UseStereoDemoCameras();
  return rozoru::runApplication(argc, argv,
                                "The stereo program on two synthetic cameras that look at a moving scene.\n"
                                "ROZORU_DEMO_PATTERNS=<pattern0>,<pattern1> shows two test patterns instead.");
}
