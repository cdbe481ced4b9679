// The effect's signal graph, built by commands: the one recipe of the third-order Butterworth
// high-pass, and how it runs over a stream. The plug-in, the tests, the benchmarks and the
// fuzzers all use this one.
//
//   buf_i --bypass copy--> lpf_buffer      (passes the input while the filters are off)
//   buf_i --one-pole high-pass--> lpf_buffer, "set"   (overwrites the copy while on)
//   buf_i --band-pass, q 0.618--> lpf_buffer, "sub"   (together: the third-order high-pass)
//   lpf_buffer --output copy--> buf_o
//
// Threads: made and deleted on one thread. setClock, setCutoff and setOn may run on any thread,
// also while another runs the graph: they change shared words of the nodes, which the next
// block reads. run() and runHost() run on the audio thread.
#pragma once

#include "VX/VX.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class HighpassGraph {
public:
    static constexpr int32_t defaultBlockLength = 512;
    // Host samples in [-1, 1] map to +-2^30 in the graph, leaving one bit of headroom.
    static constexpr float toFixed = 1073741824.0f;
    static constexpr float fromFixed = 9.313226e-10f; // 2^-30

    // Builds the graph with its soundpipe current, then leaves none current.
    explicit HighpassGraph(int32_t blockLength = defaultBlockLength);
    // Deletes what the commands made: nodes, buffers, then the soundpipe.
    ~HighpassGraph();
    HighpassGraph(const HighpassGraph&) = delete;
    HighpassGraph& operator=(const HighpassGraph&) = delete;

    // "VX_Effect %o -clock %i" to every node, in processing order.
    void setClock(int32_t sampleRate);
    // "%o -f %f" to the high-pass, then to the band-pass.
    void setCutoff(double hertz);
    // "VX_Effect %o -on %i" to both filters: they fade in or out over the next block.
    void setOn(bool on);
    // Zeroes every buffer and resets every node.
    void clear();

    // Runs fixed-point samples through, in chunks of at most one block: each chunk goes into
    // buf_i, the block length is set, the soundpipe runs once, buf_o comes out. [audio thread]
    void run(const int32_t* in, int32_t* out, size_t n);
    std::vector<int32_t> run(const std::vector<int32_t>& in);
    // The host's floats, as the plug-in takes them: the input (null: silence) clipped to
    // [-1, 1] (NaN to -1) and scaled by 2^30, the output scaled by 2^-30 into both channels.
    // The input may be the same array as an output. Without a graph the outputs get silence.
    // Inline, as the small blocks of automated hosts pay for each call level. [audio thread]
    void runHost(const float* in, float* left, float* right, int32_t frames) {
        // Nearly every host block: the chunk length is known since the last change of settings
        // and the block fits in one chunk. It has the shortest path, one test of each
        // (knownChunk is 0 until it is known, and frames in [1, knownChunk] is one unsigned
        // comparison).
        if (static_cast<uint32_t>(frames) - 1u < static_cast<uint32_t>(knownChunk) && left &&
            right && VX_settings_changes.load(std::memory_order_acquire) == chunkSettings)
            runHostChunk(in, left, right, frames);
        else
            runHostOtherwise(in, left, right, frames);
    }
    // One block of n samples already in buf_i; the result in buf_o. [audio thread]
    [[gnu::always_inline]] void runBlock(int32_t n) {
        // Only the block length changes here: a shared word, which the buffers' users read.
        soundpipe->blockLength = n;
        soundpipe->process();
    }

    const int32_t blockLength;
    VX_Soundpipe* soundpipe = nullptr;
    VX_Buffer* input = nullptr;  // "buf_i"
    VX_Buffer* work = nullptr;   // "lpf_buffer"
    VX_Buffer* output = nullptr; // "buf_o"
    VX_Effect_Copy* bypass = nullptr;
    VX_Effect_Hipass* highpass = nullptr;
    VX_Effect_Bapass* bandpass = nullptr;
    VX_Effect_Copy* outputCopy = nullptr;

private:
    // One chunk of a host block: n samples, at most the chunk length. [audio thread]
    [[gnu::noinline]] void runHostChunk(const float* in, float* left, float* right, int32_t n);
    // A host block after a change of settings, longer than a chunk or with nothing to run.
    [[gnu::noinline]] void runHostOtherwise(const float* in, float* left, float* right,
                                            int32_t frames);
    // The longest chunk the buffers hold, 0 without a graph to run: worked out again only when
    // a setting changed (the count of VX_settings_changes), not each block. [audio thread]
    int32_t chunkLength();

    bool chunkKnown = false;
    uint32_t chunkSettings = 0; // the count of settings changes when knownChunk was worked out
    int32_t knownChunk = 0;
};
