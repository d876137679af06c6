#include "textwin/logs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/core/event_log.h"
#include "textwin/text_system.h"

namespace rozoru::textwin::logs {

namespace {

struct Log {
  int state = 0;
  std::FILE* file = nullptr;
};

struct Logs {
  std::mutex mutex;
  std::string directory;
  int instance = 0;
  std::array<Log, kWindows> table{};
};

Logs& logs() {
  static Logs l;
  return l;
}

Log& entry(int index) { return logs().table[static_cast<std::size_t>(index)]; }

std::string nameLocked(int index) {
  return logs().directory + "ROZORU" + std::to_string(logs().instance) + std::to_string(index) + ".LOG";
}

void closeLocked(Log& l) {
  if (l.file) std::fclose(l.file);
  l.file = nullptr;
}

void tell(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
  std::string line = text;  // stderr takes one line per event
  std::replace(line.begin(), line.end(), '\n', ' ');
  logEvent(line);
  if (WindowSystem* w = detail::ws()) w->messageBox(0, text, caption, icon);
}

void error(const std::string& text) { tell(text, "Error", MessageBoxIcon::Error); }

std::string because(int err) { return std::string(" (") + std::strerror(err) + ")"; }

// Opens a log's name as fopen would with mode ("w", "a" or "rb"), but never
// waits: a FIFO of that name (no one at the other end) or a folder is refused
// rather than holding the thread that prints. errno tells why on failure.
std::FILE* openLog(const std::string& name, const char* mode) {
  const bool reading = mode[0] == 'r';
  const int flags = (reading ? O_RDONLY : O_WRONLY | O_CREAT | (mode[0] == 'a' ? O_APPEND : O_TRUNC)) |
                    O_NONBLOCK | O_CLOEXEC;
  const int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  // Reading needs a length; writing may go to a device (/dev/null, say).
  const bool usable = ::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || (!reading && S_ISCHR(st.st_mode)));
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = usable ? ::fdopen(fd, mode) : nullptr;
  if (!f) {
    const int err = usable ? errno : (S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    ::close(fd);
    errno = err;
  }
  return f;
}

// The whole file; throws std::bad_alloc (or length_error) when it does not fit in memory.
std::string readAll(std::FILE* f) {
  std::string bytes;
  if (std::fseek(f, 0, SEEK_END) != 0) return bytes;
  const long length = std::ftell(f);
  std::rewind(f);
  if (length > 0) bytes.resize(static_cast<std::size_t>(length));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  return bytes;
}

}  // namespace

void configure(std::string directory, int instance) {
  std::lock_guard lock(logs().mutex);
  if (!directory.empty() && directory.back() != '/') directory += '/';
  logs().directory = std::move(directory);
  logs().instance = instance;
}

std::string fileName(int index) {
  std::lock_guard lock(logs().mutex);
  return nameLocked(index);
}

int state(int index) {
  if (!detail::validIndex(index)) return 0;
  std::lock_guard lock(logs().mutex);
  return entry(index).state;
}

int start(int index) {
  if (!detail::validIndex(index) || !isOpen(index)) return 3;
  std::string failed;
  {
    std::lock_guard lock(logs().mutex);
    Log& l = entry(index);
    if (l.state == 1) return 1;
    if (l.state == 2) {
      l.state = 1;  // writing goes on at the end of the open file
      return 0;
    }
    const std::string name = nameLocked(index);
    l.file = openLog(name, "w");
    if (l.file) {
      l.state = 1;
      return 0;
    }
    failed = name + because(errno);
  }
  logEvent("cannot create the log " + failed);
  if (WindowSystem* w = detail::ws()) w->messageBox(0, "Can't create file for LOG!", "Error", MessageBoxIcon::Error);
  return 2;
}

int stop(int index) {
  if (!detail::validIndex(index) || !isOpen(index)) return 2;
  std::lock_guard lock(logs().mutex);
  Log& l = entry(index);
  if (l.state != 1) return 1;
  l.state = 2;
  return 0;
}

int copy(int index) {
  if (!detail::validIndex(index) || !isOpen(index)) return 4;
  const auto& setText = hooks().setClipboardText;
  if (!setText) return 1;
  int result = 0;
  std::string text, lost;
  {
    // Held from closing to reopening, so no print falls between them.
    std::lock_guard lock(logs().mutex);
    Log& l = entry(index);
    const std::string name = nameLocked(index);
    if (l.state != 0) closeLocked(l);
    if (std::FILE* f = openLog(name, "rb")) {
      try {
        text = readAll(f);
      } catch (const std::exception&) {
        result = 3;
      }
      std::fclose(f);
    } else {
      result = 2;
    }
    if (l.state != 0) {
      l.file = openLog(name, "a");
      if (!l.file) {
        l.state = 0;
        lost = name + because(errno);
      }
    }
  }
  if (result == 2) pauseMessage("Can't open LOG file!");
  if (result == 3) pauseMessage("No enough memory (copy log)");
  if (result == 0 && !setText(text)) result = 1;
  if (!lost.empty()) error("Can't reopen LOG file! The log is off.\n" + lost);
  return result;
}

void write(int index, std::string_view bytes) {
  if (!detail::validIndex(index) || bytes.empty()) return;
  std::string failed;
  {
    std::lock_guard lock(logs().mutex);
    Log& l = entry(index);
    if (l.state != 1 || !l.file) return;
    // Flushed at once, so that a full disk shows now and the file is whole
    // when the program ends in any way.
    if (std::fwrite(bytes.data(), 1, bytes.size(), l.file) == bytes.size() && std::fflush(l.file) == 0) return;
    failed = nameLocked(index) + because(errno);
    std::clearerr(l.file);
    l.state = 2;
  }
  error("Can't write LOG file! The log is stopped.\n" + failed);
}

void windowClosed(int index) {
  if (!detail::validIndex(index)) return;
  std::lock_guard lock(logs().mutex);
  Log& l = entry(index);
  closeLocked(l);
  l.state = 0;
}

void closeAll() {
  std::lock_guard lock(logs().mutex);
  for (Log& l : logs().table) {
    closeLocked(l);
    l.state = 0;
  }
}

void pauseMessage(const std::string& text) { tell(text, "Pause", MessageBoxIcon::None); }

}  // namespace rozoru::textwin::logs
