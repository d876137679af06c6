#include "shell/core/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace rozoru {

namespace {

std::string failure(const std::string& what, int err) { return what + ": " + std::strerror(err); }

// The lock directory may be shared ground (/tmp): only a real directory of
// ours that nobody else can write to keeps other users from taking or
// faking our numbers. Empty when it is fit, else why not.
std::string unfitDirectory(const std::string& directory, const struct stat& st) {
  if (st.st_uid != ::geteuid())
    return "The lock folder " + directory + " belongs to another user (uid " + std::to_string(st.st_uid) +
           "); remove it or set XDG_RUNTIME_DIR";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return "The lock folder " + directory + " can be written by other users; make it private (chmod 700)";
  return {};
}

}  // namespace

std::string InstanceLock::defaultDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return xdg;
  return "/tmp/rozoru-" + std::to_string(::geteuid());
}

int InstanceLock::acquire(const std::string& directory) {
  release();
  error_.clear();
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    error_ = failure("cannot create " + directory, errno);
    return -1;
  }
  // Opened without following a link, then checked through the descriptor:
  // what is checked is what the lock files are made in.
  const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) {
    error_ = errno == ENOTDIR || errno == ELOOP ? directory + " is not a folder (a link is not accepted)"
                                                : failure("cannot open " + directory, errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(dir, &st) != 0) {
    error_ = failure("cannot examine " + directory, errno);
  } else {
    error_ = unfitDirectory(directory, st);
  }
  for (int i = 0; error_.empty() && i < kMaxInstances; ++i) {
    const std::string name = "rozoru_mw" + std::to_string(i) + ".lock";
    const int fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      error_ = errno == ELOOP ? directory + "/" + name + " is a link; a lock file must not be one"
                              : failure("cannot open " + directory + "/" + name, errno);
      break;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      number_ = i;
      break;
    }
    ::close(fd);
  }
  ::close(dir);
  return number_;
}

void InstanceLock::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  number_ = -1;
}

}  // namespace rozoru
