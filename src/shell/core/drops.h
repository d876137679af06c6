// Files dropped on the main window: each readable picture opens in a new
// image window, through requests to the worker.
//
// GUI thread.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace rozoru {

class RequestQueue;

class Drops {
 public:
  explicit Drops(RequestQueue& requests) : requests_(requests) {}

  // Opens the files in new image windows (slot search from 0, shared by the
  // whole drop). Returns how many were opened.
  int open(const std::vector<std::string>& paths);

  // The picture's width and height, 0 when the file is not a readable
  // image. Installed by the image-file support.
  std::function<std::pair<int, int>(const std::string&)> probeImageSize;
  // Restores the current image after a dropped file was loaded (image slots).
  std::function<void()> restoreImage;

 private:
  RequestQueue& requests_;
};

}  // namespace rozoru
