#pragma once

// Small rules of placing pictures on slides.
namespace ClipMath {

// The rotation code of a picture: quarter turns in the low two bits, plus
// kMirrored for a horizontal mirror; a vertical flip is a mirror plus a half
// turn. Templates store it this way.
inline constexpr int kQuarterTurnBits = 3;
inline constexpr int kMirrored = 16;
int RotationCode(int quarterTurns, bool mirrorH, bool mirrorV);
// Quarter turns clockwise on the screen (0 to 3), and the mirror, of a code.
inline int QuarterTurns(int code) { return code & kQuarterTurnBits; }
inline bool IsMirrored(int code) { return (code & kMirrored) != 0; }
inline bool IsQuarterTurned(int code) { return (QuarterTurns(code) & 1) != 0; }

// The scale a picture is decoded for, given the smallest and largest zoom it
// is shown at: the largest, unless the range spans more than a factor 2, when
// it lies between them at min x (max / min)^loadFactor.
double DecodeScale(double minZoom, double maxZoom, double loadFactor);

// The box a picture is decoded for: the frame in square pixels (its width
// times the pixel aspect) at the decode scale (2 when unknown), each side
// divided by the crop fraction shown along it; a picture turned a quarter
// lies across the frame, so the frame's sides swap. A picture fitted inside
// the box (a stretched one: covering it) shows its crop at full resolution.
void DecodeBox(double decodeScale, double cropWidth, double cropHeight, int frameWidth,
               int frameHeight, double pixelAspect, bool quarterTurned, int& width, int& height);

// The clip frame of a key-frame time (0 .. 1) for a clip of n frames.
inline int KeyFrameAt(double time, int n) { return int(time * (n - 1) + 0.5); }

} // namespace ClipMath
