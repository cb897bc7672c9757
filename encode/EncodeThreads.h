#pragma once

// The threads a video encoder compresses with.
//
// More threads than cores buy nothing (docs/encoding-levels.md): a render
// keeps the album's renderers busy beside the encoder. The MPEG encoders
// split each picture into bands of macroblock rows (36 in a PAL DVD
// picture), so kMaxEncodeThreads bounds the count taken from a large
// machine, where the bands would get thin.
inline constexpr int kMaxEncodeThreads = 8;
// The most a user may ask for.
inline constexpr int kMaxRequestedThreads = 64;

// requested > 0: that count (at most kMaxRequestedThreads); otherwise the
// machine's cores, at most kMaxEncodeThreads, and 1 when the count is not
// known.
[[nodiscard]] int EncodeThreads(int requested);
