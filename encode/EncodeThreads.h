#pragma once

// The threads a video encoder compresses with.
//
// One more than the cores (docs/encoding-levels.md): between the encoder's
// own steps that leave a core idle, the extra thread takes the time the
// album's renderers leave, which made a DVD render 4 to 9 % faster on two
// cores; more buy nothing. The MPEG encoders
// split each picture into bands of macroblock rows (36 in a PAL DVD
// picture), so kMaxEncodeThreads bounds the count taken from a large
// machine, where the bands would get thin.
inline constexpr int kMaxEncodeThreads = 8;
// The most a user may ask for.
inline constexpr int kMaxRequestedThreads = 64;

// The cores this process may run on: its CPU affinity, which a scheduler's
// allocation or a cpuset narrows; the machine's cores when that is not known.
[[nodiscard]] int UsableCores();

// requested > 0: that count (at most kMaxRequestedThreads); otherwise one
// more than the usable cores, at most kMaxEncodeThreads.
[[nodiscard]] int EncodeThreads(int requested);
