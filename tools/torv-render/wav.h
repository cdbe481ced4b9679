// RIFF/WAVE audio: decoding integer PCM (8, 16, 24, 32 bits) and IEEE float (32, 64 bits), plain
// or WAVE_FORMAT_EXTENSIBLE, any number of channels, from a whole image in memory or piece by
// piece from any byte source; encoding the same formats. Malformed input never reads outside the
// given bytes: it gives a message instead.
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
    // The file's bytes are the samples' own floats: they can be copied as they stand.
    bool bytesAreFloats() const;
    std::string describe() const; // e.g. "PCM 24-bit, 2 channels, 44100 Hz"
};

struct Audio {
    Format format;
    size_t frames = 0;
    std::vector<float> samples; // frames * channels values, interleaved, full scale is 1.0

    // Channel c of every frame.
    std::vector<float> channel(int c) const;
};

// The bytes of a file, read at any offset: an image in memory or a file on disk.
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t size() const = 0;
    // Reads `n` bytes at `offset` (within size()); false, with the reason in `error`, when they
    // cannot all be read.
    virtual bool read(uint64_t offset, void* to, size_t n, std::string& error) = 0;
};

class MemorySource : public Source {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, void* to, size_t n, std::string& error) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// Where a file's audio is: its format and the whole frames of its first complete data chunk.
struct Layout {
    Format format;
    uint64_t dataOffset = 0;
    uint64_t frames = 0;
};

// Walks the chunks of a file, reading only their headers and the fmt chunk. On failure returns
// false and says why in `error`.
bool readLayout(Source& source, Layout& out, std::string& error);

// Decodes a whole file image. On failure returns false and says why in `error`.
bool decode(const uint8_t* data, size_t size, Audio& out, std::string& error);

// The first channel of a file's audio, read from its source a piece of `pieceBytes` at a time,
// so that memory stays small whatever the length of the file.
class FirstChannelReader {
public:
    static constexpr size_t defaultPieceBytes = size_t{1} << 18;

    FirstChannelReader(Source& source, const Layout& layout, size_t pieceBytes = defaultPieceBytes);

    // Decodes up to `frames` samples into `out` and returns how many; fewer only at the end of
    // the audio or on a read error (then error() is not empty).
    size_t read(float* out, size_t frames);

    const std::string& error() const { return error_; }

private:
    bool refill();

    Source& source_;
    Format format_;
    size_t frameBytes_;
    size_t pieceBytes_;
    uint64_t offset_;     // of the next byte to read from the source
    uint64_t bytesLeft_;  // of whole frames, not yet read from the source
    uint64_t framesLeft_; // not yet decoded
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0, end_ = 0; // the bytes in buffer_ not yet decoded
    std::string error_;
};

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
