#include "options.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

bool parseDouble(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseInteger(const std::string& text, long long lo, long long hi, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && end == text.c_str() + text.size() && value >= lo && value <= hi;
}

constexpr long long largestBlock = 1 << 20;

} // namespace

bool parseOptions(const std::vector<std::string>& args, RenderOptions& o, std::string& error) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool hasValue = false;
        if (name.rfind("--", 0) == 0 && name.find('=') != std::string::npos) {
            value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto bad = [&](const std::string& why) {
            error = "bad value '" + value + "' for " + name + ": " + why;
            return false;
        };
        long long n = 0;
        if (name == "-h" || name == "--help") {
            o.help = true;
        } else if (name == "-q" || name == "--quiet") {
            o.quiet = true;
        } else if (name == "--plugin-trace") {
            o.pluginTrace = true;
        } else if (name == "-o" || name == "--output") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("a file name is needed");
            o.output = value;
        } else if (name == "-r" || name == "--rate") {
            if (!takeValue()) return false;
            if (!parseDouble(value, o.sampleRate) || o.sampleRate < 1000 || o.sampleRate > 768000)
                return bad("a sample rate from 1000 to 768000 Hz is needed");
            o.sampleRateGiven = true;
        } else if (name == "-b" || name == "--block") {
            if (!takeValue()) return false;
            if (!parseInteger(value, 1, largestBlock, n))
                return bad("a block size from 1 to " + std::to_string(largestBlock) + " is needed");
            o.blockSize = static_cast<int32_t>(n);
        } else if (name == "--random-blocks") {
            if (!takeValue()) return false;
            if (!parseInteger(value, 1, largestBlock, n))
                return bad("a largest block size from 1 to " + std::to_string(largestBlock) +
                           " is needed");
            o.randomBlockMax = static_cast<int32_t>(n);
        } else if (name == "--seed") {
            if (!takeValue()) return false;
            if (!parseInteger(value, 0, INT64_MAX, n)) return bad("a whole number is needed");
            o.seed = static_cast<uint64_t>(n);
        } else if (name == "-p" || name == "--param") {
            if (!takeValue()) return false;
            const size_t eq = value.find('=');
            double x;
            if (eq == std::string::npos || !parseInteger(value.substr(0, eq), 0, 9999, n) ||
                !parseDouble(value.substr(eq + 1), x))
                return bad("expected <index>=<value>, e.g. 1=0.5");
            if (x < 0.0 || x > 1.0) return bad("parameter values are normalised, from 0 to 1");
            o.parameters.emplace_back(static_cast<int32_t>(n), static_cast<float>(x));
        } else if (name == "--response") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("a file name prefix is needed");
            o.responsePrefix = value;
        } else if (name == "--freqs") {
            if (!takeValue()) return false;
            o.frequencies = value;
        } else if (name == "--cutoff") {
            if (!takeValue()) return false;
            if (!parseDouble(value, o.cutoffHz) || o.cutoffHz <= 0)
                return bad("a positive frequency in Hz is needed");
        } else if (name == "--bursts" || name == "--recorded") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("a file name is needed");
            (name == "--bursts" ? o.burstsFile : o.recordedFile) = value;
        } else if (name == "--lead") {
            if (!takeValue()) return false;
            if (!parseDouble(value, o.leadSeconds) || o.leadSeconds < 0 || o.leadSeconds > 60)
                return bad("seconds from 0 to 60 are needed");
        } else if (name.size() > 1 && name[0] == '-') {
            error = "unknown option " + name;
            return false;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (o.help) return true;
    // The bursts alone need no module.
    if (!o.burstsFile.empty() && positional.empty() && o.output.empty() && o.responsePrefix.empty())
        return true;
    if (positional.empty()) {
        error = "no plug-in module given";
        return false;
    }
    if (positional.size() > 2) {
        error = "too many arguments: '" + positional[2] + "'";
        return false;
    }
    o.module = positional[0];
    if (positional.size() == 2) o.input = positional[1];
    if (o.output.empty() && o.responsePrefix.empty()) {
        error = "nothing to do: give --output and/or --response";
        return false;
    }
    if (!o.recordedFile.empty() && o.responsePrefix.empty()) {
        error = "--recorded is measured by --response: give it too";
        return false;
    }
    if (!o.input.empty() && o.sampleRateGiven) {
        error = "--rate is for the built-in signal; an input file brings its own sample rate";
        return false;
    }
    return true;
}

std::string usageText() {
    return R"(Usage: torv-render [options] <module> [<input.wav>]

Runs audio through a VST 2.4 effect module the way a host does, offline.

The first channel of <input.wav> feeds the effect (integer PCM of 8, 16, 24 or 32 bits, or
32/64-bit float, also WAVE_FORMAT_EXTENSIBLE). Without an input file a built-in test signal is
used: a logarithmic sine sweep from 20 Hz to 20 kHz (at most 0.45 of the sample rate) lasting
10 s, then 2 s of white noise; both peak at 0.5 (-6 dBFS). It is identical on every platform.

Options:
  -o, --output <file.wav>    write the effect's output: 32-bit float, stereo
  -r, --rate <hz>            sample rate of the built-in signal (default 48000)
  -b, --block <n>            block size in frames (default 512)
      --random-blocks <max>  random block sizes from 1 to <max> instead
      --seed <n>             seed of the random block sizes (default 1)
  -p, --param <i>=<x>        set parameter <i> to <x> (normalised, 0 to 1); repeatable
      --response <prefix>    measure the frequency response with sine bursts and write
                             <prefix>.txt, <prefix>.csv and <prefix>.svg
      --freqs <list>         frequencies for --response: "100,1000,5000" or
                             "log:<from>:<to>:<points>" (default log:10:20000:31)
      --cutoff <hz>          cutoff of the ideal curve (default: from parameter 1, Frequency)
      --bursts <file.wav>    write the sine bursts --response feeds (at --rate, for --freqs),
                             mono 32-bit float, after --lead seconds of silence; needs no
                             module when it is all there is to do
      --recorded <file.wav>  with --response: measure this recording of those bursts (made
                             with the same --rate, --freqs and --lead, first channel) instead
                             of running the effect; the module still gives the ideal cutoff
      --lead <seconds>       silence before the bursts (default 0)
  -q, --quiet                no progress display
      --plugin-trace         let the module's own output through to standard output
  -h, --help                 this text

Prints the FNV-1a checksum of the output samples: equal renders give equal checksums.
Exit status: 0 done, 1 failure (file, module, writing), 2 bad command line.
)";
}
