// Whole files as bytes on their raw path, with no text conversion of the
// name (a name need not be valid UTF-8): reading with a bound on what a file
// may make the program allocate, and replacing a file so that either the old
// file or the whole new one is there, on the device, whatever fails.
//
// Reentrant.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rozoru::imageio {

using Bytes = std::vector<std::uint8_t>;

// The most a picture file may be; larger files are refused unread.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

// The whole file, or nullopt with *error (when given) saying why: it cannot
// be opened or read, is not a regular file, is larger than maxBytes, or
// there is no memory for it.
std::optional<Bytes> readFile(const std::string& path, std::size_t maxBytes = kMaxFileBytes,
                              std::string* error = nullptr);

// The system calls a replace makes, so that tests can make any of them fail
// (they follow the calls' own conventions: -1 and errno).
struct FileCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* data, size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};
const FileCalls& systemFileCalls();

// Replaces the file at path with bytes: written whole to a new file with a
// short name in the same folder, flushed to the device, renamed over path,
// and the folder flushed. A new file is made as any new file is (0666 less
// the umask); a replaced one keeps its mode. When path is a symbolic link,
// the file it leads to is replaced and the link stays. Empty on success,
// else why; on failure no temporary file remains and an old file is intact.
// When only the folder cannot be flushed, the new file is in place but the
// rename may not outlast a power cut, and that is reported.
std::string replaceFile(const std::string& path, const Bytes& bytes, const FileCalls& calls = systemFileCalls());

// Creates path (which must not exist) with bytes, written whole and flushed
// to the device; for a file in a folder just made. Empty on success, else
// why, and then path is gone. The folder is not flushed: see syncFolder.
std::string writeNewFile(const std::string& path, const Bytes& bytes, const FileCalls& calls = systemFileCalls());

// Flushes the folder's entries (files created, renamed or removed in it) to
// the device. Empty on success, else why.
std::string syncFolder(const std::string& folder, const FileCalls& calls = systemFileCalls());

}  // namespace rozoru::imageio
