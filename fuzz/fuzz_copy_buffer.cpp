// Fuzzes VX_Rts::copyBuffer over format words, counts, strides and sample contents. Every
// buffer is exactly as long as a channel of its format and count needs, so that any access
// past it shows; formats the conversion does not handle must be refused without a write.
// What is written must also make sense: floats within [-1, 1] and never NaN, integers within
// their significant bits, and copies between equal integer formats unchanged.
#include "command_builder.h"

// The audio runtime is a library of its own (vx_rts), outside VX/VX.h: its header.
#include "VX/Rts/VX_Rts.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// What a channel of this word reads and writes per sample, worked out here from the format
// word's definition; false for words outside it (the conversion must refuse them).
struct Shape {
    int stride, bits, bytes;
    bool isFloat;
};

bool shapeOf(uint32_t word, Shape* s) {
    const int stride = word & 0xFF, bits = word >> 8 & 0xFF, pad = word >> 16 & 0xFF,
              kind = word >> 24;
    if (kind > 1) return false;
    s->stride = stride;
    s->bits = bits;
    s->isFloat = kind == 1;
    if (s->isFloat) {
        if (bits != 32 && bits != 64) return false;
        s->bytes = bits / 8;
    } else {
        s->bytes = (bits + pad) / 8;
        if (s->bytes < 1 || s->bytes > 4 || bits < 1 || bits > 8 * s->bytes) return false;
    }
    return stride >= s->bytes;
}

size_t spanOf(const Shape& s, int32_t count) {
    return count > 0 ? static_cast<size_t>(count - 1) * s.stride + s.bytes : 0;
}

uint32_t fuzzWord(ByteSource& in) {
    static const uint32_t words[] = {0x1002004, 0x2004,  0x1002,  0x1803,    0x101004,
                                     0xE1204,   0xC1404, 0x81804, 0x1004008, 0x1008,
                                     0x1806,    0x2008,  0x2010,  0x100C,    0x1004010,
                                     0x1002008, 0x0801,  0x0802,  0x1001002, 0x1803 - 1};
    switch (in.below(4)) {
    case 0:
        return static_cast<uint32_t>(in.int32());
    case 1: { // a known word at a wider stride, or with its pad changed
        const uint32_t w = words[in.below(std::size(words))];
        return (w & ~0xFFu) | ((w & 0xFF) + in.below(9)) % 256;
    }
    default:
        return words[in.below(std::size(words))];
    }
}

// Checks one written sample against what its format allows.
void checkSample(const Shape& s, const unsigned char* p) {
    if (s.isFloat) {
        double x;
        if (s.bytes == 8) {
            std::memcpy(&x, p, 8);
        } else {
            float f;
            std::memcpy(&f, p, 4);
            x = f;
        }
        if (!(x >= -1.0 && x <= 1.0)) std::abort();
        return;
    }
    int32_t v = 0;
    std::memcpy(&v, p, static_cast<size_t>(s.bytes));
    const int containerBits = 8 * s.bytes;
    if (containerBits < 32)
        v = static_cast<int32_t>(static_cast<uint32_t>(v) << (32 - containerBits)) >>
            (32 - containerBits);
    // Within the significant bits, sign-extended through the container.
    const int64_t limit = int64_t{1} << (s.bits - 1);
    if (v < -limit || v >= limit) std::abort();
}

void clearLatch() {
    VX_Rts rts("fuzz");
    VX_Rts::Mode m(0, 0, 0, 0);
    rts.mode(&m);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    for (int round = 0; round < 8 && !in.empty(); ++round) {
        const uint32_t srcWord = fuzzWord(in), dstWord = fuzzWord(in);
        const int32_t count = static_cast<int32_t>(in.below(600));
        const int32_t dstCount = in.below(16) == 0 ? static_cast<int32_t>(in.below(600)) : count;
        Shape src{}, dst{};
        const bool handled = shapeOf(srcWord, &src) && shapeOf(dstWord, &dst);

        // Exactly the bytes the channels span when handled; a few bytes otherwise.
        const size_t srcBytes = handled ? spanOf(src, count) : in.below(16);
        const size_t dstBytes = handled ? spanOf(dst, dstCount) : in.below(16);
        std::unique_ptr<unsigned char[]> from(new unsigned char[srcBytes + 1]),
            to(new unsigned char[dstBytes + 1]);
        for (size_t i = 0; i < srcBytes; ++i) from[i] = in.byte();
        std::memset(to.get(), 0xA5, dstBytes);
        if (handled && src.isFloat && in.below(4) == 0 && srcBytes >= 4) { // NaN, infinities
            const float specials[] = {NAN, INFINITY, -INFINITY, 1e30f};
            std::memcpy(from.get(), &specials[in.below(4)], 4);
        }

        VX_Rts::Chan source("source", srcWord, count), target("target", dstWord, dstCount);
        source.data = in.below(32) == 0 ? nullptr : from.get();
        target.data = to.get();
        const VX_error result = VX_Rts::copyBuffer(&target, &source);

        if (count != dstCount) {
            if (result != nullptr || !VX_Rts::conversionLatched()) std::abort();
            clearLatch();
            continue;
        }
        if (!handled || !source.data) {
            if (result != nullptr) std::abort();
            for (size_t i = 0; i < dstBytes; ++i)
                if (to[i] != 0xA5) std::abort();
            continue;
        }
        if (result != VX_OK) std::abort();
        for (int32_t i = 0; i < count; ++i)
            checkSample(dst, to.get() + static_cast<size_t>(i) * dst.stride);
        // Between equal integer formats that fill their containers a copy changes nothing.
        if (srcWord == dstWord && !src.isFloat && src.bits == 8 * src.bytes)
            for (int32_t i = 0; i < count; ++i) {
                const size_t at = static_cast<size_t>(i) * src.stride;
                if (std::memcmp(from.get() + at, to.get() + at, static_cast<size_t>(src.bytes)) !=
                    0)
                    std::abort();
            }
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSilenceMessages();
    return 0;
}
