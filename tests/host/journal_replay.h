// Replays a host's journal through fresh instances of the effect, made by a plug-in entry (the
// one linked into a test, or torv.dll's): every effect is created, given its sample rates and
// closed where the host did so, and every processed block runs through the routes that ran it.
// The result is what the host's mix must have held, block by block, bit for bit.
#pragma once

#include "plugin/vst/vst_abi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace replay {

struct Stream {
    uint32_t driver = 0, mode = 0, frames = 0;
    bool failed = false; // the driver could not open it: no block belongs to it
};

struct Block {
    size_t stream = 0;  // index into the streams
    uint32_t block = 0; // counted from 0 at the stream's start, skipped blocks included
    uint32_t mark[2] = {};
    std::vector<uint32_t> serials, inputs; // the routes that ran, in table order
    std::vector<float> mix[2];
};

struct Result {
    std::vector<Stream> streams;
    std::vector<Block> blocks;
    int created = 0, closed = 0;
    std::string error; // a journal that does not read as one
};

// The host's float input block for a route: `frames` values for the block of the stream on
// the input (the index into the host's input table).
using InputBlock =
    std::function<void(const Stream& stream, const Block& block, int32_t input, float* out)>;

Result run(const std::vector<uint32_t>& journal, VstPluginMainProc entry, const InputBlock& input);

} // namespace replay
