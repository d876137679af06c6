// Saving a capture: the names made from the capture time, the event folder
// with its three text files, and the single time-stamped file. A capture
// never replaces an earlier one and never leaves a part of itself behind.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "imageio/file_bytes.h"

namespace stereo {

// "yymmdd", "HHMMSS" and "yymmdd_HH_MM_SS" of a local time.
std::string dateFolderName(const std::tm& t);
std::string timeFolderName(const std::tm& t);
std::string captureFileName(const std::tm& t);
// base for n <= 1, else base + "_" + n: the names of later captures in the
// same second.
std::string numbered(const std::string& base, int n);

// Where a capture's files go. Paths are relative to the current directory.
class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  // Writes the capture picture as JPEG to path + ".jpg", replacing the file
  // (the capture reserves the name first). False when it could not.
  virtual bool saveJpeg(const std::string& path) = 0;
};

using Print = std::function<void(const std::string&)>;

// Event mode: <date>/<time>[_n]/orig.jpg, date.txt, user.txt, pass.txt.
// Prints the picture's path without ".jpg", then printedNumber with "%04d".
// The text files (no line ends) and the folders' entries reach the device
// before it returns. On a failure prints one "Capture not saved: ..." line
// and removes what it made. Returns the time folder's path, or "" on failure.
std::string saveEventCapture(const std::tm& t, CaptureSink& sink, int printedNumber, int password,
                             const Print& print,
                             const rozoru::imageio::FileCalls& calls = rozoru::imageio::systemFileCalls());
// Normal mode: <yymmdd_HH_MM_SS>[_n].jpg; prints the name without ".jpg".
// Returns the file's path, or "" on failure (then nothing is left behind).
std::string saveSingleCapture(const std::tm& t, CaptureSink& sink, const Print& print);

// A password for pass.txt: 0-32767 from the system's secure random source.
int securePassword();

}  // namespace stereo
