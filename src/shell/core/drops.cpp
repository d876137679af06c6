#include "shell/core/drops.h"

#include <cstdio>

#include "shell/core/requests.h"

namespace rozoru {

int Drops::open(const std::vector<std::string>& paths) {
  int opened = 0;
  int s = 0;
  for (const std::string& path : paths) {
    if (path.empty() || path.back() == '/') continue;
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) continue;
    const auto [w, h] = probeImageSize ? probeImageSize(path) : std::pair<int, int>{0, 0};
    if (w == 0 || h == 0) continue;
    while (s < 256) {
      char title[256];
      std::snprintf(title, sizeof title, "%03d %s", s, name.c_str());
      Request r;
      r.code = req::CreateImage;
      r.index = s;
      r.name = title;
      r.width = w;
      r.height = h;
      r.bits = 32;
      const int result = requests_.send(r);
      if (result == 0) {
        Request load;
        load.code = req::LoadImage;
        load.index = s;
        load.fileName = path;
        load.x = 0;
        load.y = 0;
        requests_.send(load);
        Request redraw;
        redraw.code = req::UpdateImage;
        redraw.index = s;
        requests_.send(redraw);
        if (restoreImage) restoreImage();
        ++s;
        ++opened;
        break;
      }
      ++s;
      if (result != 1) break;  // give up this file
    }
    if (s >= 256) break;
  }
  return opened;
}

}  // namespace rozoru
