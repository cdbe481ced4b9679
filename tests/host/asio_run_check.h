// What the test ASIO driver recorded while torv.exe ran it, held against the host's journal
// replayed offline through torv.dll: every block the host processed must have reached the
// driver's outputs exactly as the replay computes it, after the conversion to the output's
// sample type; every other block left the outputs as they were (skipped while a command held
// the lock, or after the stream had stopped for the host).
#pragma once

#include "journal_replay.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct DriverRecording {
    // One start of the driver: its buffer size and the switches recorded until the next.
    struct Segment {
        long frames = 0;
        long switches = 0;
        size_t offset = 0; // bytes of each output channel recorded before this segment
    };
    std::string prefix;
    long inType = 18, outType = 18;
    std::vector<Segment> segments;
    std::vector<std::vector<unsigned char>> outputs; // per output channel, as recorded

    // Reads <prefix>.log and <prefix>.out<k>.raw for `outputCount` channels.
    static DriverRecording read(const std::string& prefix, long inType, long outType,
                                int outputCount);
};

struct RunComparison {
    long processed = 0; // blocks found exactly as replayed
    long kept = 0;      // blocks the host did not process, outputs unchanged
    long wrong = 0;
    long streams = 0; // streams compared
    std::string firstWrong;
};

// The host's float input for a block, as the test driver fed it in its type.
void asioInputBlock(long type, int channel, uint32_t block, uint32_t frames, float* out);

// Compares the recordings of the drivers (by the host's driver index) with the replay. Streams
// of drivers without a recording are left out.
RunComparison compareRun(const replay::Result& replayed,
                         const std::map<uint32_t, const DriverRecording*>& recordings);
