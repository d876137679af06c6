// Public interface of the ROZORU framework for applications.
//
// An application supplies the three hooks KAV_Init, KAV_Main and KAV_Exit and
// links against the framework and its process entry: the CMake target
// Rozoru::rozoru, in this tree or from the installed package. The hooks
// run on the worker thread; KAV_Exit may instead run on the GUI thread when the
// worker had to be abandoned at exit.
#pragma once

#include <atomic>
#include <cstdint>

#include "rozoru/textwin.h"
#include "rozoru/boxes.h"

#include "rozoru/colour.h"
#include "rozoru/draw.h"
#include "rozoru/image.h"
#include "rozoru/imagefile.h"
#include "rozoru/measure.h"
#include "rozoru/imgproc.h"
#include "rozoru/picks.h"
#include "rozoru/clipboard.h"

// Shared flags. Writers and meaning:
//   kav_start   GUI sets 1 (Start, only while kav_running is 0); KAV_Init may set 1;
//               the worker clears it when it takes the start up.
//   kav_running worker: 1 while KAV_Main runs.
//   kav_stop    GUI sets 1 (Stop, Exit); the worker clears it before and after KAV_Main.
//   kav_exit    0 running, 1 exit requested (GUI), 2 finished (worker, or GUI after
//               running KAV_Exit itself).
//   kav_keyflag GUI sets 1 (Space, Z, Down in the main window); the application clears it.
extern std::atomic<int> kav_start;
extern std::atomic<int> kav_running;
extern std::atomic<int> kav_stop;
extern std::atomic<int> kav_exit;
extern std::atomic<int> kav_keyflag;

// Application hooks (defined by the application).
void KAV_Init();
void KAV_Main();
void KAV_Exit();

// Dispatches the calling thread's pending framework messages; returns 0.
int KAV_DoEvents();
// Waits ms milliseconds while dispatching; returns 0 when the time is up and
// 1 as soon as kav_stop is found set. ms <= 0 returns 0 at once.
int KAV_Wait(int ms);
// As KAV_Wait, but also ends early: 2 as soon as it has dispatched a message
// or finds kav_keyflag set, so a loop can answer a click or a capture key at
// once instead of at the end of its period. 0 when the time is up, 1 as soon
// as kav_stop is found set.
int KAV_WaitMessage(int ms);
// Milliseconds of a monotonic clock, low 32 bits (wraps after about 49.7 days).
int KAV_GetTime();

// The main window, for KAV_SetForeground (framework windows have their
// handles in kav_image[].window and the like).
inline constexpr std::uint32_t KAVMAINWINDOW = 0xFFFFFFFFu;
// Brings a framework window to the front and gives it the keyboard.
// 0 done; 1 no such window.
int KAV_SetForeground(std::uint32_t window);

// Shows text centred in the main window's status line.
void KAV_SetStatusText(const char* text);

// Formatted output into the current text window; nothing when none is open.
int KAV_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
