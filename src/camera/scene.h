// The scene that synthetic "scene" cameras see: a small 3D world with real
// depth, so that two cameras side by side give a stereo pair whose disparity
// varies with distance and whose near object moves.
//
// The world (metres; x right, y up, z away from the cameras): a sky, a stone
// wall 12 m away, a tiled floor, two pillars (4.2 m and 6.2 m), a turning
// crate (about 8 m) and a ball resting on the floor (5.3 m), and a beach ball
// that floats 1.55-2.35 m away, wandering sideways and in depth and spinning.
// The camera is a pinhole 0.7 m above the floor looking straight ahead, with
// a focal length of kSceneFocal x width pixels (60 degrees across). Cameras at
// different eye positions stay parallel, so a point at depth z is seen
// (eyeA - eyeB) x f / z pixels further left by camera A than by camera B.
#pragma once

#include <cstdint>

namespace ryk {

inline constexpr double kSceneFocal = 0.866;  // focal length in picture widths

// Draws the scene at `seconds` seen from horizontal position `eye` (metres,
// right positive; limited to +-100 m; a non-finite time or eye counts as 0)
// into a BGRx picture: width x 4 bytes on each of height rows, `stride` bytes
// apart, 4th byte 0. The same arguments always give the same picture. Writes
// nothing when the arguments describe no picture (null, empty, stride too
// small).
void renderStereoScene(std::uint8_t* bgrx, int width, int height, int stride, double seconds, double eye);

}  // namespace ryk
