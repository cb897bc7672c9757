#pragma once

// The threads a video encoder compresses with.
//
// More than one core's worth of threads buys nothing: a render already keeps
// the album's renderers busy beside the encoder, and the MPEG-2 encoder
// splits each picture into bands of macroblock rows, whose share of the
// per-picture work (rate control, joining the bands) grows with their count.
// kMaxEncodeThreads bounds the count taken from the machine.
inline constexpr int kMaxEncodeThreads = 8;
// The most a user may ask for.
inline constexpr int kMaxRequestedThreads = 64;

// requested > 0: that count (at most kMaxRequestedThreads); otherwise the
// machine's cores, at most kMaxEncodeThreads, and 1 when the count is not
// known.
[[nodiscard]] int EncodeThreads(int requested);
