#include "wav.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace wav {
namespace {

constexpr uint16_t tagPcm = 1;
constexpr uint16_t tagFloat = 3;
constexpr uint16_t tagExtensible = 0xFFFE;
// The sub-format GUIDs of the extensible header share these 14 bytes after the 16-bit tag.
constexpr uint8_t guidTail[14] = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Largest size field of a RIFF file: data past this cannot be described.
constexpr uint64_t maxRiffSize = 0xFFFFFFFFull;
// A data size of all ones is left behind by recorders that stream and never come back to it.
constexpr uint32_t unknownSize = 0xFFFFFFFFu;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
    put16(o, v & 0xFFFF);
    put16(o, v >> 16);
}
void putTag(std::vector<uint8_t>& o, const char* t) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<uint8_t>(t[i]));
}

std::string chunkName(const uint8_t* p) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '?';
    return s;
}

bool supported(const Format& f) {
    if (f.encoding == Encoding::Pcm)
        return f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32;
    return f.bits == 32 || f.bits == 64;
}

// Reads the fmt chunk body into `f`.
bool parseFormat(const uint8_t* p, uint32_t size, Format& f, std::string& error) {
    if (size < 16) {
        error = "the fmt chunk is too short (" + std::to_string(size) + " bytes)";
        return false;
    }
    uint16_t tag = le16(p);
    f.channels = le16(p + 2);
    f.rate = le32(p + 4);
    uint16_t blockAlign = le16(p + 12);
    f.bits = le16(p + 14);
    f.extensible = tag == tagExtensible;
    if (f.extensible) {
        if (size < 40 || le16(p + 16) < 22) {
            error = "the extensible fmt chunk is too short";
            return false;
        }
        tag = le16(p + 24);
        if (std::memcmp(p + 26, guidTail, sizeof guidTail) != 0) {
            error = "unsupported sub-format in the extensible header";
            return false;
        }
    }
    if (tag != tagPcm && tag != tagFloat) {
        error = "unsupported sample format (format tag " + std::to_string(tag) +
                "); readable are integer PCM and IEEE float";
        return false;
    }
    f.encoding = tag == tagPcm ? Encoding::Pcm : Encoding::Float;
    if (!supported(f)) {
        error = "unsupported sample size: " + f.describe();
        return false;
    }
    if (f.channels < 1 || f.rate < 1) {
        error = "no channels or no sample rate in the fmt chunk";
        return false;
    }
    if (blockAlign != f.bytesPerFrame()) {
        error = "the fmt chunk's block size (" + std::to_string(blockAlign) +
                " bytes) does not match " + f.describe();
        return false;
    }
    return true;
}

float decodeSample(const Format& f, const uint8_t* p) {
    if (f.encoding == Encoding::Float) {
        if (f.bits == 32) {
            uint32_t u = le32(p);
            float x;
            std::memcpy(&x, &u, 4);
            return x;
        }
        uint64_t u = le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32;
        double x;
        std::memcpy(&x, &u, 8);
        return static_cast<float>(x);
    }
    switch (f.bits) {
    case 8:
        return static_cast<float>(p[0] - 128) / 128.0f;
    case 16:
        return static_cast<float>(static_cast<int16_t>(le16(p))) / 32768.0f;
    case 24: {
        int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 |
                                         static_cast<uint32_t>(p[1]) << 16 |
                                         static_cast<uint32_t>(p[2]) << 24) >>
                    8;
        return static_cast<float>(v) / 8388608.0f;
    }
    default:
        return static_cast<float>(static_cast<double>(static_cast<int32_t>(le32(p))) /
                                  2147483648.0);
    }
}

// Rounds to the nearest integer step of a `bits`-bit sample and saturates.
int64_t quantise(float x, int bits) {
    const double scale = std::ldexp(1.0, bits - 1);
    if (std::isnan(x)) return 0;
    double v = std::nearbyint(static_cast<double>(x) * scale);
    return static_cast<int64_t>(std::fmax(-scale, std::fmin(scale - 1.0, v)));
}

} // namespace

std::string Format::describe() const {
    std::string s = encoding == Encoding::Pcm ? "PCM " : "float ";
    s += std::to_string(bits) + "-bit";
    if (extensible) s += " (extensible)";
    s += ", " + std::to_string(channels) + (channels == 1 ? " channel, " : " channels, ");
    return s + std::to_string(rate) + " Hz";
}

std::vector<float> Audio::channel(int c) const {
    std::vector<float> out;
    if (c < 0 || c >= format.channels) return out;
    out.reserve(frames);
    for (size_t i = 0; i < frames; ++i) out.push_back(samples[i * format.channels + c]);
    return out;
}

bool decode(const uint8_t* data, size_t size, Audio& out, std::string& error) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        error = "not a WAV file (no RIFF/WAVE header)";
        return false;
    }
    // Walk every chunk; the RIFF size is often wrong, so the file's own end bounds the walk.
    const uint8_t* fmt = nullptr;
    uint32_t fmtSize = 0;
    const uint8_t* samples = nullptr;
    size_t sampleBytes = 0;
    size_t pos = 12;
    while (size - pos >= 8) {
        const uint8_t* chunk = data + pos;
        const uint32_t chunkSize = le32(chunk + 4);
        const size_t available = size - pos - 8;
        const bool isData = std::memcmp(chunk, "data", 4) == 0;
        if (chunkSize > available) {
            // The first complete data chunk is the audio: a later one, streamed or damaged,
            // neither replaces nor extends it.
            if (isData && samples) break;
            if (isData && chunkSize == unknownSize) {
                samples = chunk + 8;
                sampleBytes = available;
                break;
            }
            if (isData) {
                error = "the file is truncated: its data chunk declares " +
                        std::to_string(chunkSize) + " bytes, " + std::to_string(available) +
                        " follow";
                return false;
            }
            if (fmt && samples) break; // a damaged trailing chunk loses nothing we need
            error = "chunk '" + chunkName(chunk) + "' declares " + std::to_string(chunkSize) +
                    " bytes, more than the file holds";
            return false;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !fmt) {
            fmt = chunk + 8;
            fmtSize = chunkSize;
        } else if (isData && !samples) {
            samples = chunk + 8;
            sampleBytes = chunkSize;
        }
        pos += 8 + static_cast<size_t>(chunkSize) + (chunkSize & 1);
        if (pos > size) break;
    }
    if (!fmt) {
        error = "the WAV file has no fmt chunk";
        return false;
    }
    Format f;
    if (!parseFormat(fmt, fmtSize, f, error)) return false;
    if (!samples) {
        error = "the WAV file has no data chunk";
        return false;
    }
    const size_t frameBytes = static_cast<size_t>(f.bytesPerFrame());
    const size_t frames = sampleBytes / frameBytes; // a partial last frame is dropped
    out.format = f;
    out.frames = frames;
    out.samples.resize(frames * f.channels);
    const size_t sampleSize = f.bits / 8;
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = decodeSample(f, samples + i * sampleSize);
    return true;
}

std::vector<uint8_t> encodeHeader(const Format& f, uint64_t frames) {
    std::vector<uint8_t> h;
    const uint32_t fmtSize = f.extensible ? 40 : 16;
    const uint64_t dataBytes = frames * static_cast<uint64_t>(f.bytesPerFrame());
    const uint64_t riffSize = 4 + (8 + fmtSize) + 8 + dataBytes + (dataBytes & 1);
    if (!supported(f) || f.channels < 1 || f.channels > 65535 || riffSize > maxRiffSize) return h;
    const uint16_t tag = f.encoding == Encoding::Pcm ? tagPcm : tagFloat;
    h.reserve(68);
    putTag(h, "RIFF");
    put32(h, static_cast<uint32_t>(riffSize));
    putTag(h, "WAVE");
    putTag(h, "fmt ");
    put32(h, fmtSize);
    put16(h, f.extensible ? tagExtensible : tag);
    put16(h, static_cast<uint32_t>(f.channels));
    put32(h, f.rate);
    put32(h, f.rate * static_cast<uint32_t>(f.bytesPerFrame()));
    put16(h, static_cast<uint32_t>(f.bytesPerFrame()));
    put16(h, static_cast<uint32_t>(f.bits));
    if (f.extensible) {
        put16(h, 22);
        put16(h, static_cast<uint32_t>(f.bits)); // valid bits
        put32(h, 0);                             // no speaker positions claimed
        put16(h, tag);
        for (uint8_t b : guidTail) h.push_back(b);
    }
    putTag(h, "data");
    put32(h, static_cast<uint32_t>(dataBytes));
    return h;
}

void encodeSamples(const Format& f, const float* samples, size_t count, std::vector<uint8_t>& out) {
    for (size_t i = 0; i < count; ++i) {
        const float x = samples[i];
        if (f.encoding == Encoding::Float) {
            uint64_t u = 0;
            if (f.bits == 32) {
                uint32_t w;
                std::memcpy(&w, &x, 4);
                u = w;
            } else {
                const double d = x;
                std::memcpy(&u, &d, 8);
            }
            for (int b = 0; b < f.bits; b += 8) out.push_back(static_cast<uint8_t>(u >> b));
            continue;
        }
        const int64_t v = quantise(x, f.bits);
        const uint64_t u = f.bits == 8 ? static_cast<uint64_t>(v + 128) : static_cast<uint64_t>(v);
        for (int b = 0; b < f.bits; b += 8) out.push_back(static_cast<uint8_t>(u >> b));
    }
}

std::vector<uint8_t> encode(const Audio& audio) {
    if (audio.samples.size() != audio.frames * audio.format.channels) return {};
    std::vector<uint8_t> bytes = encodeHeader(audio.format, audio.frames);
    if (bytes.empty()) return bytes;
    encodeSamples(audio.format, audio.samples.data(), audio.frames * audio.format.channels, bytes);
    if (bytes.size() & 1) bytes.push_back(0); // chunks are padded to an even size
    return bytes;
}

} // namespace wav
