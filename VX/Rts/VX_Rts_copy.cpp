// Sample conversion between any two channel formats through a normalised value.
//
// Integer samples are taken left-justified into 32 bits (v); integer to integer copies shift v
// and never pass through a float value. Integer to float divides by 2147483647 (so the most
// negative integer clamps to -1.0); float to integer clamps to [-1, 1] and truncates
// x * 2147483647 toward zero before shifting; NaN converts as -1.0. 64-bit float channels are
// read and written as doubles.
//
// One loop is instantiated per pair of container kinds, with a variant for densely packed
// channels whose constant strides let the compiler vectorise it; the formats are decoded once
// per call.
#include "VX/Rts/VX_Rts.h"
#include "VX/Rts/VX_Rts_format.h"

#include <cstring>
#include <utility>

std::atomic<bool> VX_Rts::conversionLatch{false};

bool VX_rts_layout(uint32_t word, VX_Rts_Layout* layout) {
    const uint32_t stride = word & 0xFF, bits = word >> 8 & 0xFF, pad = word >> 16 & 0xFF;
    const uint32_t kind = word >> 24;
    VX_Rts_Layout l{};
    l.stride = static_cast<int>(stride);
    l.bits = static_cast<int>(bits);
    if (kind == 1) {
        // Floats are IEEE singles or doubles, whatever pad bits the word names.
        if (bits != 32 && bits != 64) return false;
        l.isFloat = true;
        l.bytes = static_cast<int>(bits / 8);
    } else if (kind == 0) {
        const uint32_t bytes = (bits + pad) / 8;
        if (bytes < 1 || bytes > 4 || bits < 1 || bits > 8 * bytes) return false;
        l.bytes = static_cast<int>(bytes);
    } else {
        return false;
    }
    if (l.stride < l.bytes) return false; // neighbouring samples would overlap
    if (layout) *layout = l;
    return true;
}

namespace {

// 1 / 2147483647 in double precision. For every 32-bit v, (float)(v * k) equals the float of
// the product taken in extended precision and rounded to double (checked for all 2^32 values),
// so single-precision destinations need no extended arithmetic.
constexpr double unitDouble = 1.0 / 2147483647.0;
constexpr long double unitExtended = 1.0L / 2147483647.0L;

enum Kind { I8, I16, I24, I32, F32, F64, kindCount };

constexpr int bytesOf(int kind) {
    return kind == I8 ? 1 : kind == I16 ? 2 : kind == I24 ? 3 : kind == F64 ? 8 : 4;
}
constexpr bool isFloat(int kind) {
    return kind == F32 || kind == F64;
}

template <int K> inline int32_t readInt(const unsigned char* p) {
    if constexpr (K == I8) {
        return static_cast<int8_t>(p[0]);
    } else if constexpr (K == I16) {
        int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else if constexpr (K == I24) {
        return static_cast<int32_t>(p[0] | p[1] << 8 |
                                    static_cast<uint32_t>(static_cast<int8_t>(p[2])) << 16);
    } else {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
}

template <int K> inline void writeInt(unsigned char* p, int32_t v) {
    if constexpr (K == I8) {
        p[0] = static_cast<unsigned char>(v);
    } else if constexpr (K == I16) {
        const int16_t w = static_cast<int16_t>(v);
        std::memcpy(p, &w, 2);
    } else if constexpr (K == I24) {
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v >> 16);
    } else {
        std::memcpy(p, &v, 4);
    }
}

template <int K> inline double readFloat(const unsigned char* p) {
    if constexpr (K == F64) {
        double x;
        std::memcpy(&x, p, 8);
        return x;
    } else {
        float x;
        std::memcpy(&x, p, 4);
        return x;
    }
}

template <int K> inline void writeFloat(unsigned char* p, double x) {
    if constexpr (K == F64) {
        std::memcpy(p, &x, 8);
    } else {
        const float f = static_cast<float>(x);
        std::memcpy(p, &f, 4);
    }
}

// [-1, 1]; NaN fails both comparisons of the upper and the lower bound and becomes -1.0.
inline double clampUnit(double x) {
    if (!(x >= -1.0)) return -1.0;
    return x > 1.0 ? 1.0 : x;
}

struct Job {
    const unsigned char* src;
    unsigned char* dst;
    int32_t count;
    int srcStride, dstStride;
    int srcShift, dstShift; // 32 - significant bits, integer formats only
};

template <int S, int D, bool Packed> void convert(const Job& j) {
    const unsigned char* s = j.src;
    unsigned char* d = j.dst;
    const int ss = Packed ? bytesOf(S) : j.srcStride;
    const int ds = Packed ? bytesOf(D) : j.dstStride;
    // All in locals: the byte stores below could otherwise alias the job and keep the loop
    // from being vectorised.
    const int srcShift = j.srcShift, dstShift = j.dstShift;
    const int32_t count = j.count;
    for (int32_t i = 0; i < count; ++i, s += ss, d += ds) {
        if constexpr (!isFloat(S)) {
            const int32_t v =
                static_cast<int32_t>(static_cast<uint32_t>(readInt<S>(s)) << srcShift);
            if constexpr (!isFloat(D)) {
                writeInt<D>(d, v >> dstShift);
            } else if constexpr (D == F64) {
                writeFloat<D>(d, clampUnit(static_cast<double>(v * unitExtended)));
            } else {
                writeFloat<D>(d, clampUnit(v * unitDouble));
            }
        } else {
            const double x = clampUnit(readFloat<S>(s));
            if constexpr (!isFloat(D)) {
                writeInt<D>(d, static_cast<int32_t>(x * 2147483647.0) >> dstShift);
            } else {
                writeFloat<D>(d, x);
            }
        }
    }
}

using Converter = void (*)(const Job&);

template <int S, int D> struct Row {
    static constexpr Converter strided = convert<S, D, false>;
    static constexpr Converter packed = convert<S, D, true>;
};

template <int S, size_t... D>
constexpr void fillRow(Converter (&strided)[kindCount], Converter (&packed)[kindCount],
                       std::index_sequence<D...>) {
    ((strided[D] = Row<S, D>::strided, packed[D] = Row<S, D>::packed), ...);
}

struct Table {
    Converter strided[kindCount][kindCount]{};
    Converter packed[kindCount][kindCount]{};
    template <size_t... S> constexpr Table(std::index_sequence<S...>) {
        (fillRow<S>(strided[S], packed[S], std::make_index_sequence<kindCount>()), ...);
    }
};

constexpr Table table(std::make_index_sequence<kindCount>{});

int kindOf(const VX_Rts_Layout& l) {
    if (l.isFloat) return l.bytes == 8 ? F64 : F32;
    return l.bytes - 1; // I8 .. I32
}

} // namespace

VX_error VX_Rts::copyBuffer(Chan* dst, const Chan* src) {
    if (conversionLatch.load(std::memory_order_relaxed)) return nullptr;
    if (!dst || !src) return nullptr;
    if (dst->count != src->count) {
        conversionLatch.store(true, std::memory_order_relaxed);
        return nullptr;
    }
    VX_Rts_Layout from, to;
    if (!VX_rts_layout(src->format, &from) || !VX_rts_layout(dst->format, &to)) return nullptr;
    if (!src->data || !dst->data) return nullptr;
    if (src->count <= 0) return VX_OK;

    Job job{static_cast<const unsigned char*>(src->data),
            static_cast<unsigned char*>(dst->data),
            src->count,
            from.stride,
            to.stride,
            32 - from.bits,
            32 - to.bits};
    const int s = kindOf(from), d = kindOf(to);
    const bool packed = from.stride == from.bytes && to.stride == to.bytes;
    (packed ? table.packed : table.strided)[s][d](job);
    return VX_OK;
}

bool VX_Rts::conversionLatched() {
    return conversionLatch.load(std::memory_order_relaxed);
}
