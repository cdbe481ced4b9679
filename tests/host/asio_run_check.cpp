#include "asio_run_check.h"

#include "rts/asio_fixture_util.h"

#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include <cstring>
#include <sstream>

namespace {

uint32_t formatOfType(long type) {
    return VX_Rts_Asio::formatOf(static_cast<ASIOSampleType>(type));
}

// The device bytes of a float block in the type, as the host's conversion writes them.
std::vector<unsigned char> deviceBlock(long type, const std::vector<float>& values) {
    const int bytes = testasio::sampleBytes(type);
    std::vector<unsigned char> out(values.size() * static_cast<size_t>(bytes));
    const int32_t n = static_cast<int32_t>(values.size());
    VX_Rts::Chan host("host", VX_RTS_FLOAT32, n), device("device", formatOfType(type), n);
    host.data = const_cast<float*>(values.data());
    device.data = out.data();
    VX_Rts::copyBuffer(&device, &host);
    return out;
}

} // namespace

DriverRecording DriverRecording::read(const std::string& prefix, long inType, long outType,
                                      int outputCount) {
    DriverRecording r;
    r.prefix = prefix;
    r.inType = inType;
    r.outType = outType;
    long frames = 0;
    size_t recorded = 0;
    const size_t sampleBytes = static_cast<size_t>(testasio::sampleBytes(outType));
    for (const std::string& line : asiotest::logLines(prefix)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "createBuffers") {
            long count;
            words >> count >> frames;
        } else if (line == "start") {
            r.segments.push_back({frames, 0, recorded});
        } else if (first == "switch" && !r.segments.empty()) {
            ++r.segments.back().switches;
            recorded += static_cast<size_t>(frames) * sampleBytes;
        }
    }
    for (int k = 0; k < outputCount; ++k)
        r.outputs.push_back(asiotest::readFile(prefix + ".out" + std::to_string(k) + ".raw"));
    return r;
}

void asioInputBlock(long type, int channel, uint32_t block, uint32_t frames, float* out) {
    const int bytes = testasio::sampleBytes(type);
    std::vector<unsigned char> device(static_cast<size_t>(frames) * static_cast<size_t>(bytes));
    for (uint32_t i = 0; i < frames; ++i)
        testasio::encodeSample(
            type,
            testasio::testAsioSample(channel, static_cast<int64_t>(block) * frames + i),
            device.data() + static_cast<size_t>(i) * static_cast<size_t>(bytes));
    const int32_t n = static_cast<int32_t>(frames);
    VX_Rts::Chan host("host", VX_RTS_FLOAT32, n), in("device", formatOfType(type), n);
    host.data = out;
    in.data = device.data();
    VX_Rts::copyBuffer(&host, &in);
}

RunComparison compareRun(const replay::Result& replayed,
                         const std::map<uint32_t, const DriverRecording*>& recordings) {
    RunComparison c;
    std::map<uint32_t, size_t> nextSegment;
    size_t at = 0; // the next replayed block
    for (size_t s = 0; s < replayed.streams.size(); ++s) {
        const replay::Stream& stream = replayed.streams[s];
        std::map<uint32_t, const replay::Block*> processed;
        for (; at < replayed.blocks.size() && replayed.blocks[at].stream == s; ++at)
            processed[replayed.blocks[at].block] = &replayed.blocks[at];
        auto found = recordings.find(stream.driver);
        if (stream.failed || found == recordings.end()) continue;
        const DriverRecording& rec = *found->second;
        const size_t index = nextSegment[stream.driver]++;
        if (index >= rec.segments.size()) {
            ++c.wrong;
            if (c.firstWrong.empty()) c.firstWrong = "no recording of stream " + std::to_string(s);
            continue;
        }
        ++c.streams;
        const DriverRecording::Segment& seg = rec.segments[index];
        const size_t bytes = static_cast<size_t>(seg.frames) *
                             static_cast<size_t>(testasio::sampleBytes(rec.outType));
        for (long b = 0; b < seg.switches; ++b) {
            auto p = processed.find(static_cast<uint32_t>(b));
            bool right = true;
            for (size_t k = 0; k < rec.outputs.size(); ++k) {
                const auto& file = rec.outputs[k];
                const size_t offset = seg.offset + static_cast<size_t>(b) * bytes;
                if (offset + bytes > file.size()) {
                    right = false;
                    break;
                }
                const unsigned char* got = file.data() + offset;
                std::vector<unsigned char> want(bytes, 0);
                if (p != processed.end() && k < 2)
                    want = deviceBlock(rec.outType, p->second->mix[k]);
                else if (p == processed.end() && b >= 2)
                    want.assign(got - 2 * bytes, got - bytes); // the half as it was
                right = right && std::memcmp(got, want.data(), bytes) == 0;
            }
            if (right) {
                p != processed.end() ? ++c.processed : ++c.kept;
            } else if (c.wrong++ == 0) {
                c.firstWrong = "stream " + std::to_string(s) + " block " + std::to_string(b) +
                               (p != processed.end() ? " (processed)" : " (not processed)");
            }
        }
        // A block the host processed that the driver never recorded is wrong too.
        for (const auto& [b, block] : processed)
            if (static_cast<long>(b) >= seg.switches && c.wrong++ == 0)
                c.firstWrong = "stream " + std::to_string(s) + " block " + std::to_string(b) +
                               " processed but not recorded";
    }
    return c;
}
