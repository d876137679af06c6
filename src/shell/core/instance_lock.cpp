#include "shell/core/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace rozoru {

std::string InstanceLock::defaultDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return xdg;
  return "/tmp/rozoru-" + std::to_string(::getuid());
}

int InstanceLock::acquire(const std::string& directory) {
  release();
  error_.clear();
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    error_ = "cannot create " + directory + ": " + std::strerror(errno);
    return -1;
  }
  for (int i = 0; i < kMaxInstances; ++i) {
    const std::string path = directory + "/rozoru_mw" + std::to_string(i) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      error_ = "cannot open " + path + ": " + std::strerror(errno);
      return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      number_ = i;
      return i;
    }
    ::close(fd);
  }
  return -1;
}

void InstanceLock::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  number_ = -1;
}

}  // namespace rozoru
