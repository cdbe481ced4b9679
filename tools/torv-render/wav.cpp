#include "wav.h"

#include <algorithm>
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
constexpr bool littleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
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

bool Format::bytesAreFloats() const {
    return encoding == Encoding::Float && bits == 32 && littleEndianHost;
}

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

bool MemorySource::read(uint64_t offset, void* to, size_t n, std::string& error) {
    if (offset > size_ || n > size_ - offset) {
        error = "a read past the end of the file";
        return false;
    }
    if (n) std::memcpy(to, data_ + offset, n);
    return true;
}

bool readLayout(Source& source, Layout& out, std::string& error) {
    const uint64_t size = source.size();
    uint8_t header[12];
    if (size >= 12 && !source.read(0, header, sizeof header, error)) return false;
    if (size < 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        error = "not a WAV file (no RIFF/WAVE header)";
        return false;
    }
    // Walk every chunk; the RIFF size is often wrong, so the file's own end bounds the walk.
    bool haveFmt = false, haveData = false;
    uint64_t fmtOffset = 0, dataOffset = 0, dataBytes = 0;
    uint32_t fmtSize = 0;
    uint64_t pos = 12;
    while (size - pos >= 8) {
        uint8_t chunk[8];
        if (!source.read(pos, chunk, sizeof chunk, error)) return false;
        const uint32_t chunkSize = le32(chunk + 4);
        const uint64_t available = size - pos - 8;
        const bool isData = std::memcmp(chunk, "data", 4) == 0;
        if (chunkSize > available) {
            // The first complete data chunk is the audio: a later one, streamed or damaged,
            // neither replaces nor extends it.
            if (isData && haveData) break;
            if (isData && chunkSize == unknownSize) {
                haveData = true;
                dataOffset = pos + 8;
                dataBytes = available;
                break;
            }
            if (isData) {
                error = "the file is truncated: its data chunk declares " +
                        std::to_string(chunkSize) + " bytes, " + std::to_string(available) +
                        " follow";
                return false;
            }
            if (haveFmt && haveData) break; // a damaged trailing chunk loses nothing we need
            error = "chunk '" + chunkName(chunk) + "' declares " + std::to_string(chunkSize) +
                    " bytes, more than the file holds";
            return false;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFmt) {
            haveFmt = true;
            fmtOffset = pos + 8;
            fmtSize = chunkSize;
        } else if (isData && !haveData) {
            haveData = true;
            dataOffset = pos + 8;
            dataBytes = chunkSize;
        }
        pos += 8 + static_cast<uint64_t>(chunkSize) + (chunkSize & 1);
        if (pos > size) break;
    }
    if (!haveFmt) {
        error = "the WAV file has no fmt chunk";
        return false;
    }
    // Nothing past the extensible header's 40 bytes is read.
    uint8_t fmt[40];
    if (!source.read(fmtOffset, fmt, std::min<size_t>(fmtSize, sizeof fmt), error)) return false;
    Format f;
    if (!parseFormat(fmt, fmtSize, f, error)) return false;
    if (!haveData) {
        error = "the WAV file has no data chunk";
        return false;
    }
    out.format = f;
    out.dataOffset = dataOffset;
    out.frames =
        dataBytes / static_cast<uint64_t>(f.bytesPerFrame()); // a partial last frame is dropped
    return true;
}

bool decode(const uint8_t* data, size_t size, Audio& out, std::string& error) {
    MemorySource source(data, size);
    Layout layout;
    if (!readLayout(source, layout, error)) return false;
    const Format& f = layout.format;
    const uint8_t* samples = data + layout.dataOffset;
    out.format = f;
    out.frames = static_cast<size_t>(layout.frames); // within `size`
    out.samples.resize(out.frames * f.channels);
    if (f.bytesAreFloats()) {
        if (!out.samples.empty()) std::memcpy(out.samples.data(), samples, out.samples.size() * 4);
        return true;
    }
    const size_t sampleSize = f.bits / 8;
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = decodeSample(f, samples + i * sampleSize);
    return true;
}

FirstChannelReader::FirstChannelReader(Source& source, const Layout& layout, size_t pieceBytes)
    : source_(source), format_(layout.format),
      frameBytes_(static_cast<size_t>(layout.format.bytesPerFrame())),
      pieceBytes_(std::max<size_t>(pieceBytes, 1)), offset_(layout.dataOffset),
      bytesLeft_(layout.frames * frameBytes_), framesLeft_(layout.frames) {}

size_t FirstChannelReader::read(float* out, size_t frames) {
    const bool monoFloats = format_.channels == 1 && format_.bytesAreFloats();
    size_t done = 0;
    while (done < frames && framesLeft_ > 0) {
        const size_t whole = (end_ - begin_) / frameBytes_;
        if (whole == 0 && monoFloats && begin_ == end_ && pieceBytes_ >= 4) {
            // The file's bytes are the samples: straight into `out`, no buffer in between.
            const size_t n = static_cast<size_t>(
                std::min<uint64_t>({frames - done, framesLeft_, pieceBytes_ / 4}));
            if (!source_.read(offset_, out + done, n * 4, error_)) break;
            offset_ += n * 4;
            bytesLeft_ -= n * 4;
            framesLeft_ -= n;
            done += n;
        } else if (whole == 0) {
            if (!refill()) break;
        } else {
            const size_t n = std::min(frames - done, whole); // whole <= framesLeft_
            const uint8_t* p = buffer_.data() + begin_;
            for (size_t i = 0; i < n; ++i, p += frameBytes_)
                out[done + i] = decodeSample(format_, p);
            begin_ += n * frameBytes_;
            framesLeft_ -= n;
            done += n;
        }
    }
    return done;
}

bool FirstChannelReader::refill() {
    // A frame split between two pieces moves to the front and is completed by the next.
    const size_t kept = end_ - begin_;
    if (kept) std::memmove(buffer_.data(), buffer_.data() + begin_, kept);
    begin_ = 0;
    end_ = kept;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(pieceBytes_, bytesLeft_));
    if (n == 0) return false;
    if (buffer_.size() < kept + n) buffer_.resize(kept + n);
    if (!source_.read(offset_, buffer_.data() + end_, n, error_)) return false;
    offset_ += n;
    bytesLeft_ -= n;
    end_ += n;
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
    const size_t bytes = static_cast<size_t>(f.bits / 8);
    const size_t start = out.size();
    out.resize(start + count * bytes);
    uint8_t* p = out.data() + start;
    if (f.bytesAreFloats()) {
        if (count) std::memcpy(p, samples, count * 4);
        return;
    }
    for (size_t i = 0; i < count; ++i, p += bytes) {
        const float x = samples[i];
        uint64_t u;
        if (f.encoding == Encoding::Float) {
            if (f.bits == 32) {
                uint32_t w;
                std::memcpy(&w, &x, 4);
                u = w;
            } else {
                const double d = x;
                std::memcpy(&u, &d, 8);
            }
        } else {
            const int64_t v = quantise(x, f.bits);
            u = f.bits == 8 ? static_cast<uint64_t>(v + 128) : static_cast<uint64_t>(v);
        }
        for (size_t b = 0; b < bytes; ++b) p[b] = static_cast<uint8_t>(u >> (8 * b));
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
