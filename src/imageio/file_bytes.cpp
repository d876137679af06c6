#include "imageio/file_bytes.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace rozoru::imageio {

namespace {

std::optional<Bytes> fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

std::string why(const std::string& what) { return what + " (" + std::strerror(errno) + ")"; }

int sysOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t sysWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int sysFsync(int fd) { return ::fsync(fd); }
int sysClose(int fd) { return ::close(fd); }
int sysRename(const char* from, const char* to) { return ::rename(from, to); }
int sysUnlink(const char* path) { return ::unlink(path); }

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links leads to (path itself when it is none).
// Relative link texts are taken from the link's own folder.
std::optional<std::string> finalTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char text[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), text, sizeof text);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text) return std::nullopt;
    const std::string target(text, static_cast<std::size_t>(n));
    path = target.front() == '/' ? target : folderOf(path) + "/" + target;
  }
  errno = ELOOP;
  return std::nullopt;
}

}  // namespace

const FileCalls& systemFileCalls() {
  static const FileCalls calls{sysOpen, sysWrite, sysFsync, sysClose, sysRename, sysUnlink};
  return calls;
}

std::optional<Bytes> readFile(const std::string& path, std::size_t maxBytes, std::string* error) {
  // Not blocking, so that a named pipe is refused below rather than waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(error, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(error, std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail(error, "not a regular file");
  const std::string tooLarge = "larger than " + std::to_string(maxBytes >> 20) + " MiB";
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes) return fail(error, tooLarge);
  Bytes bytes;
  try {
    // One byte more than the size, so that a file that grew meanwhile shows.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  } catch (const std::bad_alloc&) {
    return fail(error, "not enough memory");
  }
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(error, std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > static_cast<std::size_t>(st.st_size)) return fail(error, "the file changed while it was read");
  bytes.resize(got);
  return bytes;
}

std::string syncFolder(const std::string& folder, const FileCalls& calls) {
  const int dir = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir < 0) return why("cannot open the folder " + folder);
  const bool synced = calls.fsync(dir) == 0;
  const std::string reason = synced ? std::string() : why("cannot write the folder " + folder + " to the device");
  calls.close(dir);
  return reason;
}

namespace {

// Writes bytes whole to the open file fd, flushes it to the device and closes
// it (always). Empty on success, else why, naming the file as name.
std::string writeWhole(int fd, const Bytes& bytes, const FileCalls& calls, const std::string& name) {
  std::string reason;
  for (std::size_t done = 0; done < bytes.size() && reason.empty();) {
    const ssize_t n = calls.write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      reason = why("cannot write " + name);
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (reason.empty() && calls.fsync(fd) != 0) reason = why("cannot write " + name + " to the device");
  // A file system may report a failed write only when the file is closed.
  if (calls.close(fd) != 0 && reason.empty()) reason = why("cannot write " + name);
  return reason;
}

}  // namespace

std::string writeNewFile(const std::string& path, const Bytes& bytes, const FileCalls& calls) {
  const int fd = calls.open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return why("cannot create " + path);
  const std::string reason = writeWhole(fd, bytes, calls, path);
  if (!reason.empty()) calls.unlink(path.c_str());
  return reason;
}

std::string replaceFile(const std::string& path, const Bytes& bytes, const FileCalls& calls) {
  const std::optional<std::string> target = finalTarget(path);
  if (!target) return why("cannot follow the link " + path);
  const std::string folder = folderOf(*target);
  struct stat old {};
  const bool replacing = ::stat(target->c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) return target->c_str() + std::string(" is not a regular file");

  // The folder is opened first: without it the rename could not be made to
  // reach the device, and nothing has changed yet.
  const int dir = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir < 0) return why("cannot open the folder " + folder);
  struct DirCloser {
    const FileCalls& calls;
    int fd;
    ~DirCloser() { calls.close(fd); }
  } dirCloser{calls, dir};

  // A short name, so that any name the folder can hold can be saved: ".rz" and
  // six characters, made with O_EXCL.
  static std::atomic<unsigned> counter{0};
  const unsigned salt = static_cast<unsigned>(::getpid()) * 2654435761u;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char name[16];
    std::snprintf(name, sizeof name, ".rz%06x", (salt + counter.fetch_add(1)) & 0xFFFFFFu);
    temp = folder + "/" + name;
    fd = calls.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return why("cannot create a file in " + folder);
  }
  if (fd < 0) return why("cannot create a file in " + folder);

  if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
    const std::string reason = why("cannot keep the mode of " + *target);
    calls.close(fd);
    calls.unlink(temp.c_str());
    return reason;
  }
  if (std::string reason = writeWhole(fd, bytes, calls, *target); !reason.empty()) {
    calls.unlink(temp.c_str());
    return reason;
  }
  if (calls.rename(temp.c_str(), target->c_str()) != 0) {
    const std::string reason = why("cannot replace " + *target);
    calls.unlink(temp.c_str());
    return reason;
  }
  // The rename itself reaches the device with the folder.
  if (calls.fsync(dir) != 0) return why("cannot write the folder " + folder + " to the device");
  return {};
}

}  // namespace rozoru::imageio
