// The image windows' commands that start with a pick: the drawing items,
// Color Pick, Clipping and the Information tools. Worker thread only.
#pragma once

namespace rozoru {

namespace imgcmd {
inline constexpr int InfoPixel = 1015, InfoLineRgb = 1016, InfoLineHsv = 1017, InfoLineYCrCb = 1018,
                     InfoLineCrCb = 1021, InfoAreaCrCb = 1022, InfoLineLumi = 1070;
inline constexpr int PickColour = 1052;
inline constexpr int LineNormal = 1032, LineRow = 1034, LineColumn = 1035;
inline constexpr int BoxNormal = 1036, BoxFill = 1037, BoxFillXor = 1038;
inline constexpr int CircleNormal = 1039, CircleFill = 1040, CircleFillXor = 1041;
inline constexpr int DrawText = 1042, Paint = 1043, TrueTypeDraw = 1048;
}  // namespace imgcmd

// Carries out a pick command for image window id; false when command is not one.
bool runPickCommand(int id, int command);

// Copies the rectangle (x1, y1)-(x2, y2), corners sorted and inside the
// current image, into a new window of its depth (and colour table) in the
// lowest free slot, titled "(x1,y1)-(x2,y2)", and repaints it. Returns the
// new slot, or -1 when no slot is free.
int clipCurrentImage(int x1, int y1, int x2, int y2);

}  // namespace rozoru
