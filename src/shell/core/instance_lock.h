// Instance numbers 0-9, each held by an exclusive lock on a file.
//
// The kernel drops the lock when the holder ends, so a crashed instance frees
// its number. Thread-compatible: one object per process.
#pragma once

#include <string>

namespace rozoru {

class InstanceLock {
 public:
  static constexpr int kMaxInstances = 10;

  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock() { release(); }

  // Takes the lowest free number; -1 when all are held or the directory is
  // unusable (error() says why): a link, another user's, or writable by
  // others. Made 0700 when missing; lock files are never opened through links.
  int acquire(const std::string& directory);
  void release();
  int number() const { return number_; }
  const std::string& error() const { return error_; }

  // The per-user directory for the lock files: $XDG_RUNTIME_DIR when set,
  // otherwise /tmp/rozoru-<euid>.
  static std::string defaultDirectory();

 private:
  int fd_ = -1;
  int number_ = -1;
  std::string error_;
};

}  // namespace rozoru
