#include "plugin/highpass_graph.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

HighpassGraph::HighpassGraph(int32_t blockLength) : blockLength(blockLength) {
    VX_cmd("VX_Soundpipe -bl %i -b", &soundpipe, blockLength, nullptr);
    VX_cmd("VX_Buffer -t %o", &input, "buf_i");
    VX_cmd("VX_Buffer -t %o", &work, "lpf_buffer");
    VX_cmd("VX_Effect_Copy -i %o -o %o", &bypass, input, work);
    VX_cmd("VX_Effect_Hipass -i %o -o %o", &highpass, input, work);
    VX_cmd("VX_Effect_Bapass -i %o -o %o -q .618 -mode sub", &bandpass, input, work);
    VX_cmd("VX_Buffer -t %o", &output, "buf_o");
    VX_cmd("VX_Effect_Copy -i %o -o %o", &outputCopy, work, output);
    // Another graph must never add its objects to this one.
    if (soundpipe) VX_cmd("VX_Soundpipe %o -e", soundpipe, nullptr);
    if (VX_Soundpipe::current == soundpipe) VX_Soundpipe::current = nullptr;
}

HighpassGraph::~HighpassGraph() {
    // Nodes first (each leaves the soundpipe's chain), then the buffers they used, then the
    // soundpipe itself.
    for (VX_Object* o : std::initializer_list<VX_Object*>{
             outputCopy, bandpass, highpass, bypass, output, work, input, soundpipe})
        if (o) VX_cmd("%o -delete", o);
}

void HighpassGraph::setClock(int32_t sampleRate) {
    if (!soundpipe) return;
    soundpipe->nodes.forEach<VX_Effect>(
        [&](VX_Effect* e) { VX_cmd("VX_Effect %o -clock %i", e, sampleRate); });
}

void HighpassGraph::setCutoff(double hertz) {
    for (VX_Effect* filter : std::initializer_list<VX_Effect*>{highpass, bandpass})
        if (filter) VX_cmd("%o -f %f", filter, hertz);
}

void HighpassGraph::setOn(bool on) {
    for (VX_Effect* filter : std::initializer_list<VX_Effect*>{highpass, bandpass})
        if (filter) VX_cmd("VX_Effect %o -on %i", filter, on ? 1 : 0);
}

void HighpassGraph::clear() {
    if (soundpipe) soundpipe->clear();
}

inline int32_t HighpassGraph::chunkLength() {
    const uint32_t settings = VX_settings_changes.load(std::memory_order_acquire);
    if (chunkKnown && settings == chunkSettings) return knownChunk;
    chunkKnown = true;
    chunkSettings = settings;
    if (!soundpipe || !input || !output || !input->main || !output->main)
        knownChunk = 0;
    else // chunks never exceed what the buffers hold
        knownChunk = std::min({blockLength, input->count, output->count});
    return knownChunk;
}

void HighpassGraph::run(const int32_t* in, int32_t* out, size_t n) {
    const int32_t chunk = chunkLength();
    if (chunk <= 0) {
        std::fill(out, out + n, 0);
        return;
    }
    for (size_t done = 0; done < n;) {
        const int32_t m = static_cast<int32_t>(std::min<size_t>(n - done, chunk));
        std::memcpy(input->main, in + done, sizeof(int32_t) * static_cast<size_t>(m));
        runBlock(m);
        std::memcpy(out + done, output->main, sizeof(int32_t) * static_cast<size_t>(m));
        done += static_cast<size_t>(m);
    }
}

std::vector<int32_t> HighpassGraph::run(const std::vector<int32_t>& in) {
    std::vector<int32_t> out(in.size());
    run(in.data(), out.data(), in.size());
    return out;
}

namespace {

// Clipped to [-1, 1], NaN to -1, and scaled into the graph. Within +-2^30 after clipping, a
// plain truncation is exact.
inline int32_t toGraph(float x) {
    x = 1.0f < x ? 1.0f : x;
    x = x > -1.0f ? x : -1.0f; // NaN fails the comparison
    return static_cast<int32_t>(x * HighpassGraph::toFixed);
}

// Both block conversions go inline into runHostChunk: the small blocks of automated hosts
// pay for every call.
[[gnu::always_inline]] inline void toGraph(const float* in, int32_t* out, int32_t n) {
#if defined(__SSE2__)
    // Four at a time. The vector maximum and minimum make the same choices as the comparisons
    // above, NaN included (max(a, b) is a > b ? a : b, so NaN goes to -1 first, and the sample
    // itself is the first operand of both: no copy); written out, since a compiler that keeps
    // comparisons from trapping would rather branch on each sample.
    const __m128 one = _mm_set1_ps(1.0f), minusOne = _mm_set1_ps(-1.0f);
    const __m128 scale = _mm_set1_ps(HighpassGraph::toFixed);
    const int32_t whole = n & ~3;
    for (int32_t k = 0; k < whole; k += 4) {
        __m128 x = _mm_loadu_ps(in + k);
        x = _mm_max_ps(x, minusOne);
        x = _mm_min_ps(x, one);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         _mm_cvttps_epi32(_mm_mul_ps(x, scale)));
    }
    // At most three left, written out: a loop here would be vectorised again, with a set-up
    // that costs more than the samples in the small blocks hosts give at automation points.
    // Hosts' blocks are mostly multiples of four, which skip this with one test (a switch
    // would become a chain of comparisons that those blocks go through too).
    if (const int32_t rest = n & 3) {
        const int32_t k = whole;
        out[k] = toGraph(in[k]);
        if (rest > 1) out[k + 1] = toGraph(in[k + 1]);
        if (rest > 2) out[k + 2] = toGraph(in[k + 2]);
    }
#else
    for (int32_t k = 0; k < n; ++k) out[k] = toGraph(in[k]);
#endif
}

inline float fromGraph(int32_t x) {
    return static_cast<float>(x) * HighpassGraph::fromFixed;
}

// The graph's samples back to the host's, the same on both outputs.
[[gnu::always_inline]] inline void fromGraph(const int32_t* in, float* left, float* right,
                                             int32_t n) {
#if defined(__SSE2__)
    const __m128 scales = _mm_set1_ps(HighpassGraph::fromFixed);
    const int32_t whole = n & ~3;
    for (int32_t k = 0; k < whole; k += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
        const __m128 y = _mm_mul_ps(_mm_cvtepi32_ps(x), scales);
        _mm_storeu_ps(left + k, y);
        _mm_storeu_ps(right + k, y);
    }
    if (const int32_t rest = n & 3) {
        const int32_t k = whole;
        left[k] = right[k] = fromGraph(in[k]);
        if (rest > 1) left[k + 1] = right[k + 1] = fromGraph(in[k + 1]);
        if (rest > 2) left[k + 2] = right[k + 2] = fromGraph(in[k + 2]);
    }
#else
    for (int32_t k = 0; k < n; ++k) left[k] = right[k] = fromGraph(in[k]);
#endif
}

} // namespace

void HighpassGraph::runHostChunk(const float* in, float* left, float* right, int32_t n) {
    if (in)
        toGraph(in, input->main, n);
    else
        std::fill(input->main, input->main + n, 0);
    runBlock(n);
    // Only n is kept through the block; what the conversion works out of it is worked out
    // again (g++ would keep each in a register of its own, saved and restored each call).
    asm("" : "+r"(n));
    // The chunk's input is already read: a host may pass one array as input and output.
    fromGraph(output->main, left, right, n);
}

void HighpassGraph::runHostOtherwise(const float* in, float* left, float* right, int32_t frames) {
    if (!left || !right || frames <= 0) return;
    const int32_t chunk = chunkLength();
    if (chunk <= 0) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return;
    }
    for (int32_t pos = 0; pos < frames;) {
        const int32_t n = std::min(chunk, frames - pos);
        runHostChunk(in ? in + pos : nullptr, left + pos, right + pos, n);
        pos += n;
    }
}
