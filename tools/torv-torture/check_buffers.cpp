// How hosts hand over their buffers: empty calls, random and oversized blocks, and input and
// output arrays that are the same memory.
#include "torture.h"

#include <cstring>

namespace {

constexpr size_t frames = 96000;
// Different block sizes change only the fade-in of the effect's initial switch-on, which
// lasts the first block; from here on every way of processing gives the same samples.
constexpr size_t afterFirstBlock = 16384;

enum class Sharing { None, InputIsLeft, OutputsShared, AllShared };

// Processes `in` in blocks from `schedule` with the buffers shared as asked; returns the left
// output (with shared outputs, what the effect wrote last: both carry the same signal).
std::vector<float> processShared(Plugin& plugin, const std::vector<float>& in,
                                 BlockSchedule schedule, Sharing sharing) {
    std::vector<float> out(in.size());
    const size_t largest = static_cast<size_t>(schedule.largest());
    std::vector<float> input(largest), left(largest), right(largest);
    const bool inputIsLeft = sharing == Sharing::InputIsLeft || sharing == Sharing::AllShared;
    const bool outputsShared = sharing == Sharing::OutputsShared || sharing == Sharing::AllShared;
    float* inputs[1] = {inputIsLeft ? left.data() : input.data()};
    float* outputs[2] = {left.data(), outputsShared ? left.data() : right.data()};
    for (size_t done = 0; done < in.size();) {
        const size_t n = std::min<size_t>(schedule.next(), in.size() - done);
        std::memcpy(inputs[0], in.data() + done, n * sizeof(float));
        plugin.processReplacing(inputs, outputs, static_cast<VstInt32>(n));
        std::memcpy(out.data() + done, left.data(), n * sizeof(float));
        done += n;
    }
    return out;
}

bool sameAfterFirstBlock(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data() + afterFirstBlock,
                                               b.data() + afterFirstBlock,
                                               (a.size() - afterFirstBlock) * sizeof(float)) == 0;
}

} // namespace

void checkBufferHandling(TortureContext& context, CheckReport& report) {
    std::string error;
    const std::vector<float> in = whiteNoise(frames, 0.7f, 21);
    auto reference = startEffect(context.module, 48000, 512, error);
    if (!reference) {
        report.expect(false, error);
        return;
    }
    const std::vector<float> expected = process(*reference, in, BlockSchedule::fixed(512));

    // An empty call first, then random sizes.
    {
        auto plugin = startEffect(context.module, 48000, 4096, error);
        float guard[2] = {-7.0f, -7.0f};
        float* outputs[2] = {&guard[0], &guard[1]};
        float* inputs[1] = {const_cast<float*>(in.data())};
        plugin->processReplacing(inputs, outputs, 0);
        SignalStats stats;
        const auto out = process(*plugin, in, BlockSchedule::random(4096, 99), &stats);
        report.expect(guard[0] == -7.0f && guard[1] == -7.0f && stats.clean() &&
                          sameAfterFirstBlock(out, expected),
                      "0 frames touch nothing; random blocks of 1 to 4096 then give the same "
                      "output as blocks of 512");
    }
    // Blocks twice as large as effSetBlockSize announced.
    for (int32_t announced : {64, 256, 2048}) {
        auto plugin = startEffect(context.module, 48000, announced, error);
        SignalStats stats;
        const auto out = process(*plugin, in, BlockSchedule::fixed(2 * announced), &stats);
        report.expect(
            stats.clean() && sameAfterFirstBlock(out, expected),
            format("blocks of %d after announcing %d: same output", 2 * announced, announced));
    }
    // Shared memory between input and outputs.
    const struct {
        Sharing sharing;
        const char* name;
    } cases[] = {{Sharing::None, "separate input and outputs (reference)"},
                 {Sharing::InputIsLeft, "input and left output the same array"},
                 {Sharing::OutputsShared, "both outputs one array"},
                 {Sharing::AllShared, "input and both outputs one array"}};
    for (const auto& c : cases)
        for (int32_t largest : {1, 300, 513, 5000}) {
            auto plugin = startEffect(context.module, 48000, largest, error);
            const auto out =
                processShared(*plugin, in, BlockSchedule::random(largest, 4), c.sharing);
            report.expect(sameAfterFirstBlock(out, expected),
                          format("%s, random blocks up to %d: same output", c.name, largest));
        }
}
