#pragma once

// Small rules of placing pictures on slides.
namespace ClipMath {

// The rotation code of a picture: quarter turns in the low two bits, 16 for a
// horizontal mirror; a vertical flip is a mirror plus a half turn.
int RotationCode(int quarterTurns, bool mirrorH, bool mirrorV);

// The scale a picture is decoded for, given the smallest and largest zoom it
// is shown at: the largest, unless the range spans more than a factor 2, when
// it lies between them at min x (max / min)^loadFactor.
double DecodeScale(double minZoom, double maxZoom, double loadFactor);

// The largest decoded size that is worth decoding for a frame: the frame size
// times the decode scale (2 when unknown), divided by the smaller crop fraction.
void MaxDecodeSize(double decodeScale, double cropWidth, double cropHeight, int frameWidth,
                   int frameHeight, int& width, int& height);

// The clip frame of a key-frame time (0 .. 1) for a clip of n frames.
inline int KeyFrameAt(double time, int n) { return int(time * (n - 1) + 0.5); }

} // namespace ClipMath
