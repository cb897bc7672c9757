#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes test sounds with FFmpeg's encoders and muxers; the container comes
// from the file's extension.
namespace SoundWriter {

// Interleaved 16-bit samples, encoded with the named encoder ("pcm_s16le",
// "pcm_u8", "libmp3lame", "mp2", "aac", ...). False when the encoder is not
// available or writing fails.
bool Write(const std::string& path, const std::string& encoder, int rate, int channels,
           const std::vector<std::int16_t>& samples);

// Whether an encoder is available in this FFmpeg.
bool HasEncoder(const std::string& encoder);

// A sine of the given frequency and amplitude (full scale 32767), on every channel.
std::vector<std::int16_t> Sine(double frequency, double seconds, int rate, int channels,
                               double amplitude = 16000);

// A short MPEG-1 video clip without sound.
bool WriteSilentVideo(const std::string& path, double seconds);

} // namespace SoundWriter
