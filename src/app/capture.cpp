#include "app/capture.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "app/controls.h"

namespace stereo {

namespace {

std::string timeText(const char* fmt, const std::tm& t) {
  char buf[256];
  const std::size_t n = std::strftime(buf, sizeof buf, fmt, &t);
  return std::string(buf, n);
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string reason(int err) { return err ? format(" (%s)", std::strerror(err)) : std::string(); }

void failed(const Print& print, const std::string& what, int err) {
  print("Capture not saved: " + what + reason(err) + "\n");
}

// More captures than this in one second mean something else is wrong.
constexpr int kMaxNumber = 999;

}  // namespace

std::string dateFolderName(const std::tm& t) { return timeText("%y%m%d", t); }
std::string timeFolderName(const std::tm& t) { return timeText("%H%M%S", t); }
std::string captureFileName(const std::tm& t) { return timeText("%y%m%d_%H_%M_%S", t); }

std::string numbered(const std::string& base, int n) { return n <= 1 ? base : base + "_" + std::to_string(n); }

std::string saveEventCapture(const std::tm& t, CaptureSink& sink, int printedNumber, int password,
                             const Print& print, const rozoru::imageio::FileCalls& calls) {
  const std::string date = dateFolderName(t), time = timeFolderName(t);
  bool madeDate = false;
  if (::mkdir(date.c_str(), 0777) == 0) {
    madeDate = true;
  } else if (errno != EEXIST || !isDirectory(date)) {
    failed(print, "cannot create folder " + date, errno == EEXIST ? ENOTDIR : errno);
    return {};
  }
  // The time folder is reserved by creating it: a folder that exists belongs
  // to an earlier capture (or another program) and is left alone.
  std::string name, dir;
  for (int n = 1;; ++n) {
    name = numbered(time, n);
    dir = date + "/" + name;
    if (n <= kMaxNumber && ::mkdir(dir.c_str(), 0777) == 0) break;
    if (n > kMaxNumber || errno != EEXIST) {
      failed(print, "cannot create folder " + dir, n > kMaxNumber ? EEXIST : errno);
      if (madeDate) ::rmdir(date.c_str());
      return {};
    }
  }

  std::vector<std::string> made;
  auto undo = [&] {
    for (const std::string& f : made) ::unlink(f.c_str());
    ::rmdir(dir.c_str());
    if (madeDate) ::rmdir(date.c_str());
  };

  const std::string orig = dir + "/orig";
  print(orig + "\n");
  made.push_back(orig + ".jpg");
  if (!sink.saveJpeg(orig)) {
    failed(print, "cannot write " + orig + ".jpg", 0);
    undo();
    return {};
  }
  print(format("%04d\n", printedNumber));

  const std::pair<const char*, std::string> texts[] = {
      {"date.txt", date}, {"user.txt", name}, {"pass.txt", format("%04d", password)}};
  for (const auto& [file, text] : texts) {
    const std::string path = dir + "/" + file;
    const std::string why = rozoru::imageio::writeNewFile(path, {text.begin(), text.end()}, calls);
    if (!why.empty()) {
      failed(print, why, 0);
      undo();
      return {};
    }
    made.push_back(path);
  }
  // The new entries: the files in the time folder, the time folder in the
  // date folder, and a new date folder in the current one.
  for (const std::string& folder : {dir, date, std::string(".")}) {
    if (folder == "." && !madeDate) break;
    const std::string why = rozoru::imageio::syncFolder(folder, calls);
    if (!why.empty()) {
      failed(print, why, 0);
      undo();
      return {};
    }
  }
  return dir;
}

std::string saveSingleCapture(const std::tm& t, CaptureSink& sink, const Print& print) {
  const std::string base = captureFileName(t);
  std::string name, path;
  for (int n = 1;; ++n) {
    name = numbered(base, n);
    path = name + ".jpg";
    // Reserve the name; the picture then replaces the empty file in one step.
    const int fd = n <= kMaxNumber ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666) : -1;
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (n > kMaxNumber || errno != EEXIST) {
      failed(print, "cannot write " + path, n > kMaxNumber ? EEXIST : errno);
      return {};
    }
  }
  print(name + "\n");
  if (!sink.saveJpeg(name)) {
    ::unlink(path.c_str());
    failed(print, "cannot write " + path, 0);
    return {};
  }
  return path;
}

int securePassword() {
  std::uint16_t v = 0;
  if (::getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v)) {
    std::random_device rd;  // reads the kernel's source when getrandom is missing
    v = static_cast<std::uint16_t>(rd());
  }
  return v & 0x7FFF;
}

}  // namespace stereo
