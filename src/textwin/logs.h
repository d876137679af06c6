// Log files of the text windows: each window can copy what it shows into
// "ROZORU<instance><index>.LOG" in the log directory, stop and resume, and
// copy the file to the clipboard as text.
//
// Thread-safe: the worker and the GUI thread both print, and the exit
// sequence closes the logs on the GUI thread. No lock is held across a
// message box or a clipboard call.
#pragma once

#include <string>
#include <string_view>

namespace rozoru::textwin::logs {

// Where the files go (ending in '/') and the instance number in their names.
// Before the worker starts.
void configure(std::string directory, int instance);
std::string fileName(int index);

// 0 no log, 1 logging, 2 stopped (the file stays open).
int state(int index);

// Start Log: 0 logging; 1 already logging; 2 the file could not be created
// (after the message); 3 window not open or index out of range.
int start(int index);
// Stop Log: 0 stopped; 1 no log; 2 window not open or index out of range.
int stop(int index);
// Copies the log file to the clipboard as text, closing and reopening an
// open log around it: 0 copied; 1 no clipboard; 2 no file (after the
// message); 3 out of memory (after the message); 4 window not open or index
// out of range. A log that cannot be reopened is off afterwards.
int copy(int index);

// What a logging window shows. A write that fails stops the log, with one message.
void write(int index, std::string_view bytes);
// A window that closes takes its log file with it.
void windowClosed(int index);
// Closes every log (exit).
void closeAll();

// A message box without owner, caption "Pause", also on stderr; returns when
// the user has closed it.
void pauseMessage(const std::string& text);

}  // namespace rozoru::textwin::logs
