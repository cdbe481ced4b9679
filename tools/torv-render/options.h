// The command line of torv-render.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct RenderOptions {
    std::string module;
    std::string input; // empty: the built-in test signal
    std::string output;
    double sampleRate = 48000.0;
    bool sampleRateGiven = false;
    int32_t blockSize = 512;
    int32_t randomBlockMax = 0; // above 0: random block sizes from 1 to this
    uint64_t seed = 1;
    std::vector<std::pair<int32_t, float>> parameters; // index, normalised value
    std::string responsePrefix;                        // non-empty: measure the frequency response
    std::string frequencies = "log:10:20000:31";
    double cutoffHz = 0.0;    // 0: from the Frequency parameter
    std::string burstsFile;   // non-empty: write the bursts --response feeds, as a WAV file
    std::string recordedFile; // non-empty: --response measures this recording of the bursts
    double leadSeconds = 0.0; // silence before the bursts
    bool quiet = false;
    bool pluginTrace = false;
    bool help = false;
};

// Fills `options` from the arguments (without the program name); false with a message naming
// the faulty argument.
bool parseOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

std::string usageText();
