// RIFF/WAVE audio in memory: decoding integer PCM (8, 16, 24, 32 bits) and IEEE float (32, 64
// bits), plain or WAVE_FORMAT_EXTENSIBLE, any number of channels; encoding the same formats.
// Malformed input never reads outside the given bytes: it gives a message instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wav {

enum class Encoding { Pcm, Float };

struct Format {
    Encoding encoding = Encoding::Float;
    int bits = 32;    // bits per sample in the file: 8/16/24/32 for PCM, 32/64 for float
    int channels = 2; // interleaved
    uint32_t rate = 48000;
    bool extensible = false; // written as WAVE_FORMAT_EXTENSIBLE

    int bytesPerFrame() const { return channels * (bits / 8); }
    std::string describe() const; // e.g. "PCM 24-bit, 2 channels, 44100 Hz"
};

struct Audio {
    Format format;
    size_t frames = 0;
    std::vector<float> samples; // frames * channels values, interleaved, full scale is 1.0

    // Channel c of every frame.
    std::vector<float> channel(int c) const;
};

// Decodes a whole file image. On failure returns false and says why in `error`.
bool decode(const uint8_t* data, size_t size, Audio& out, std::string& error);

// The 44-byte (plain) or 68-byte (extensible) header for `frames` frames of `format`; empty when
// the data would not fit the 32-bit sizes of the file.
std::vector<uint8_t> encodeHeader(const Format& format, uint64_t frames);

// Appends `count` interleaved samples in the format's encoding. Integer formats round to the
// nearest step and saturate at full scale (NaN becomes 0); float formats keep every value.
void encodeSamples(const Format& format, const float* samples, size_t count,
                   std::vector<uint8_t>& out);

// Header and samples in one image.
std::vector<uint8_t> encode(const Audio& audio);

} // namespace wav
