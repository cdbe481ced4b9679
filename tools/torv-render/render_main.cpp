#include "render_main.h"

#include "options.h"
#include "progress.h"
#include "svg_plot.h"
#include "test_signal.h"
#include "wav_file.h"

#include "plugin/highpass_law.h"
#include "tools/vsthost/console.h"
#include "tools/vsthost/render.h"
#include "tools/vsthost/response.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

// Hosts give an effect its sample rate as a 32-bit float, which holds every whole rate up to
// 2^24 exactly; beyond that the effect would run at another rate than the input's. The output's
// header holds every rate up to there.
constexpr double highestRate = 16777216.0;

struct Input {
    std::vector<float> samples; // the built-in test signal
    wav::FileReader file;       // or a file, read as the effect renders it
    bool fromFile = false;
    uint64_t frames = 0;
    double sampleRate = 0;
    std::string description;

    // The next `n` frames: the signal's own, or read from the file into `buffer`.
    const float* next(uint64_t done, size_t n, float* buffer, std::string& error) {
        if (!fromFile) return samples.data() + done;
        size_t got = 0;
        if (!file.read(buffer, n, got, error)) return nullptr;
        if (got == n) return buffer;
        error = description + ": its audio ended early";
        return nullptr;
    }
};

bool loadInput(const RenderOptions& o, Input& in, std::string& error) {
    if (o.input.empty()) {
        TestSignal signal;
        signal.sampleRate = o.sampleRate;
        in.samples = signal.generate();
        in.frames = in.samples.size();
        in.sampleRate = o.sampleRate;
        in.description = "built-in test signal: " + signal.describe();
        return true;
    }
    if (!in.file.open(o.input, error)) return false;
    const wav::Format& format = in.file.format();
    if (format.rate > highestRate) {
        error = o.input + ": its sample rate of " + std::to_string(format.rate) +
                " Hz cannot be rendered: hosts pass the rate to an effect as a 32-bit float, "
                "exact only up to 16777216 Hz";
        return false;
    }
    in.fromFile = true;
    in.frames = in.file.frames();
    in.sampleRate = format.rate;
    in.description = o.input + " (" + format.describe() + ", first channel)";
    return true;
}

BlockSchedule scheduleFor(const RenderOptions& o) {
    return o.randomBlockMax > 0 ? BlockSchedule::random(o.randomBlockMax, o.seed)
                                : BlockSchedule::fixed(o.blockSize);
}

// A new effect, opened, configured and resumed as a host starts one.
// A failure sets `status` only when the command line is at fault.
std::unique_ptr<Plugin> startEffect(const std::shared_ptr<Module>& module, const RenderOptions& o,
                                    double sampleRate, std::string& error, int& status) {
    std::unique_ptr<Plugin> plugin = Plugin::create(module, error);
    if (!plugin) return nullptr;
    plugin->open();
    plugin->setSampleRate(sampleRate);
    plugin->setBlockSize(scheduleFor(o).largest());
    for (const auto& [index, value] : o.parameters) {
        const int32_t count = plugin->effect()->numParams;
        if (index >= count) {
            error = "parameter " + std::to_string(index) + " does not exist: the effect has " +
                    std::to_string(count) + " parameter(s)";
            status = exitUsage;
            return nullptr;
        }
        plugin->setParameter(index, value);
    }
    plugin->resume();
    return plugin;
}

void describeEffect(Plugin& plugin, std::ostream& report) {
    const AEffect* e = plugin.effect();
    report << "effect: " << plugin.effectName() << " (" << plugin.productString() << "), "
           << e->numInputs << " in, " << e->numOutputs << " out, entry " << plugin.entryName()
           << "\n";
    for (VstInt32 i = 0; i < e->numParams; ++i)
        report << "  parameter " << i << " " << plugin.parameterName(i) << " = "
               << plugin.getParameter(i) << ": " << plugin.parameterDisplay(i) << " "
               << plugin.parameterLabel(i) << "\n";
}

// The checksum goes byte by byte, one multiply after the other, and costs more than the effect:
// it runs on a thread of its own over one chunk while the effect renders the next. One thread
// for the whole file: under Wine, a thread started per chunk cost more than the checksum.
class ChecksumThread {
public:
    explicit ChecksumThread(Fnv1a& checksum) : checksum_(checksum) {
        try {
            worker_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // no thread to be had: add() sums on the caller's, then
        }
    }
    ~ChecksumThread() { finish(); }
    ChecksumThread(const ChecksumThread&) = delete;
    ChecksumThread& operator=(const ChecksumThread&) = delete;

    // Hands over `count` samples, once the previous ones are summed. They must stay as they are
    // until the next call or finish().
    void add(const float* samples, size_t count) {
        if (!worker_.joinable()) {
            checksum_.add(samples, count);
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [this] { return !pending_; });
        pending_ = samples;
        count_ = count;
        work_.notify_one();
    }

    // Returns once everything handed over is summed.
    void finish() {
        if (!worker_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        work_.notify_one();
        worker_.join();
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return pending_ || done_; });
            if (!pending_) return;
            const float* samples = pending_;
            const size_t count = count_;
            lock.unlock();
            checksum_.add(samples, count);
            lock.lock();
            pending_ = nullptr;
            idle_.notify_one();
        }
    }

    Fnv1a& checksum_;
    std::mutex mutex_;
    std::condition_variable work_, idle_;
    const float* pending_ = nullptr; // handed over, not yet summed
    size_t count_ = 0;
    bool done_ = false;
    std::thread worker_; // last: started once the rest is in place
};

bool renderToFile(Plugin& plugin, Input& in, const RenderOptions& o, std::ostream& report,
                  std::string& error) {
    wav::Format format;
    format.encoding = wav::Encoding::Float;
    format.bits = 32;
    format.channels = 2;
    format.rate = static_cast<uint32_t>(std::llround(in.sampleRate)); // at most highestRate
    wav::FileWriter writer(o.output, format);
    if (!writer.open(error)) return false;

    EffectRunner runner(plugin, scheduleFor(o));
    Progress progress(
        "rendering", static_cast<double>(in.frames), in.sampleRate, !o.quiet, stderrIsTerminal());
    // Frames handed to the writer at a time: their interleaved samples fill the file's buffer,
    // so they go to the file without a copy.
    constexpr size_t chunk = OutputFile::bufferBytes / (2 * sizeof(float));
    std::vector<float> input(in.fromFile ? chunk : 0), left(chunk), right(chunk), interleaved[2];
    interleaved[0].resize(2 * chunk);
    interleaved[1].resize(2 * chunk);
    Fnv1a checksum;
    ChecksumThread hashing(checksum); // after the chunks it reads: stops before they go
    bool ok = true;
    for (uint64_t done = 0, turn = 0; done < in.frames; turn ^= 1) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk, in.frames - done));
        const float* samples = in.next(done, n, input.data(), error);
        if (!samples) {
            ok = false;
            break;
        }
        runner.run(samples, left.data(), right.data(), n);
        float* frames = interleaved[turn].data();
        for (size_t i = 0; i < n; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
        }
        hashing.add(frames, 2 * n);
        if (!writer.append(frames, n)) break; // commit() says why
        done += n;
        progress.update(static_cast<double>(done));
    }
    hashing.finish();
    progress.finish();
    if (!ok || !writer.commit(error)) return false;
    report << "wrote " << o.output << ": " << writer.frames() << " frames, " << format.describe()
           << "\n";
    report << "output checksum (FNV-1a 64 of the float samples): " << checksum.hex() << "\n";
    return true;
}

size_t planBurstFrames(double hz, const response::Setup& setup) {
    const response::Burst b = response::planBurst(hz, setup);
    return b.settle + b.window;
}

// The frequencies --freqs asks for; the default list is cut to what the sample rate allows.
bool frequenciesToMeasure(const RenderOptions& o, double sampleRate, std::vector<double>& hz,
                          std::string& error) {
    if (!response::parseFrequencies(o.frequencies, hz, error)) return false;
    if (o.frequencies == RenderOptions().frequencies)
        std::erase_if(hz, [&](double f) { return f >= 0.45 * sampleRate; });
    if (hz.empty()) {
        error = "no frequency to measure below 0.45 of the sample rate: give them with --freqs";
        return false;
    }
    for (double f : hz)
        if (f >= sampleRate / 2) {
            char text[120];
            std::snprintf(text,
                          sizeof text,
                          "cannot measure at %g Hz: not below half the "
                          "sample rate (%g Hz)",
                          f,
                          sampleRate);
            error = text;
            return false;
        }
    return true;
}

size_t leadFrames(const RenderOptions& o, double sampleRate) {
    return static_cast<size_t>(std::lround(o.leadSeconds * sampleRate));
}

// The bursts --response feeds, one after the other, after the lead's silence: what a device
// must play into the effect for a recording that --recorded can measure.
bool writeBursts(const RenderOptions& o, std::ostream& report, std::string& error, int& status) {
    std::vector<double> hz;
    if (!frequenciesToMeasure(o, o.sampleRate, hz, error)) {
        status = exitUsage;
        return false;
    }
    response::Setup setup;
    setup.sampleRate = o.sampleRate;
    std::vector<float> signal(leadFrames(o, o.sampleRate), 0.0f);
    response::measure(
        [&](const float* in, float* out, size_t n) {
            signal.insert(signal.end(), in, in + n);
            std::fill(out, out + n, 0.0f);
        },
        hz,
        setup);
    wav::Format format;
    format.channels = 1;
    format.rate = static_cast<uint32_t>(std::lround(o.sampleRate));
    wav::FileWriter writer(o.burstsFile, format);
    if (!writer.open(error) || !writer.append(signal.data(), signal.size()) ||
        !writer.commit(error))
        return false;
    report << "wrote " << o.burstsFile << ": " << signal.size() << " frames of sine bursts, "
           << format.describe() << "\n";
    return true;
}

bool measureResponse(const std::shared_ptr<Module>& module, const RenderOptions& o,
                     double sampleRate, std::ostream& report, std::string& error, int& status) {
    std::vector<double> hz;
    if (!frequenciesToMeasure(o, sampleRate, hz, error)) {
        status = exitUsage;
        return false;
    }
    std::unique_ptr<Plugin> plugin = startEffect(module, o, sampleRate, error, status);
    if (!plugin) return false;
    // A recording of the bursts stands in for the effect: it is read on from the lead's end.
    std::vector<float> recorded;
    if (!o.recordedFile.empty()) {
        wav::Audio audio;
        if (!wav::readFile(o.recordedFile, audio, error)) return false;
        if (audio.format.rate != static_cast<uint32_t>(std::lround(sampleRate))) {
            error = o.recordedFile + " is not at the sample rate of the bursts";
            return false;
        }
        recorded = audio.channel(0);
    }
    response::Setup setup;
    setup.sampleRate = sampleRate;
    setup.cutoffHz = o.cutoffHz;
    if (setup.cutoffHz <= 0) {
        if (plugin->effect()->numParams < 2) {
            error = "the effect has no Frequency parameter (1): give the cutoff with --cutoff";
            status = exitUsage;
            return false;
        }
        setup.cutoffHz = highpass_law::cutoffForNormalised(plugin->getParameter(1));
    }
    EffectRunner runner(*plugin, scheduleFor(o));
    double total = 0, done = 0;
    for (double f : hz) total += static_cast<double>(planBurstFrames(f, setup));
    Progress progress("measuring", total, sampleRate, !o.quiet, stderrIsTerminal());
    size_t position = leadFrames(o, sampleRate);
    const auto points = response::measure(
        [&](const float* in, float* out, size_t n) {
            if (o.recordedFile.empty()) {
                runner.run(in, out, nullptr, n);
            } else {
                for (size_t i = 0; i < n; ++i, ++position)
                    out[i] = position < recorded.size() ? recorded[position] : 0.0f;
            }
            progress.update(done += static_cast<double>(n));
        },
        hz,
        setup);
    if (!o.recordedFile.empty() && position > recorded.size())
        report << "note: " << o.recordedFile << " ends " << position - recorded.size()
               << " frames before the last burst\n";
    progress.finish();
    std::string name = plugin->productString();
    if (name.empty()) name = plugin->effectName();
    const std::string text = response::table(points, setup);
    if (!writeFileAtomically(o.responsePrefix + ".txt", text, error) ||
        !writeFileAtomically(o.responsePrefix + ".csv", response::csv(points), error) ||
        !writeFileAtomically(
            o.responsePrefix + ".svg", svg::responsePlot(points, setup, name), error))
        return false;
    report << text << "wrote " << o.responsePrefix << ".txt, .csv and .svg\n";
    return true;
}

} // namespace

int runRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RenderOptions o;
    std::string error;
    if (!parseOptions(args, o, error)) {
        err << "torv-render: " << error << "\n\n" << usageText();
        return exitUsage;
    }
    if (o.help) {
        out << usageText();
        return 0;
    }
    if (!o.burstsFile.empty()) {
        std::ostringstream report;
        int status = exitFailure;
        const bool ok = writeBursts(o, report, error, status);
        out << report.str();
        if (!ok) {
            err << "torv-render: " << error << "\n";
            return status;
        }
        if (o.module.empty()) return 0;
    }
    Input in;
    if (!loadInput(o, in, error)) {
        err << "torv-render: " << error << "\n";
        return exitFailure;
    }
    std::shared_ptr<Module> module = Module::load(o.module, error);
    if (!module) {
        err << "torv-render: " << error << "\n";
        return exitFailure;
    }
    // What the module prints itself stays out of the report unless asked for.
    std::ostringstream report;
    int status = exitFailure;
    bool ok = true;
    {
        StdoutMute mute(!o.pluginTrace);
        report << "input: " << in.description << ", " << in.frames << " frames at " << in.sampleRate
               << " Hz\n";
        if (!o.output.empty()) {
            std::unique_ptr<Plugin> plugin = startEffect(module, o, in.sampleRate, error, status);
            ok = plugin != nullptr;
            if (ok) {
                describeEffect(*plugin, report);
                ok = renderToFile(*plugin, in, o, report, error);
            }
        }
        if (ok && !o.responsePrefix.empty())
            ok = measureResponse(module, o, in.sampleRate, report, error, status);
    }
    out << report.str();
    if (!ok) {
        err << "torv-render: " << error << "\n";
        return status;
    }
    return 0;
}
