#include "progress.h"

Progress::Progress(std::string what, double total, double sampleRate, bool enabled, bool terminal,
                   std::FILE* out)
    : what_(std::move(what)), total_(total), sampleRate_(sampleRate), enabled_(enabled),
      terminal_(terminal), out_(out), start_(std::chrono::steady_clock::now()), last_(start_) {}

void Progress::update(double done) {
    if (!enabled_ || total_ <= 0) return;
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (now - start_ < seconds(1)) return;
    const int tenth = static_cast<int>(10.0 * done / total_);
    if (terminal_ ? now - last_ >= milliseconds(200) : tenth > lastTenth_) {
        last_ = now;
        lastTenth_ = tenth;
        print(done, false);
    }
}

void Progress::finish() {
    // A log already has its 100% line; a terminal line is finished with a line break.
    if (printed_ && (terminal_ || lastTenth_ < 10)) print(total_, true);
}

void Progress::print(double done, bool final) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double audio = done / sampleRate_;
    std::fprintf(out_,
                 "%s%s: %3.0f%%  %.1f of %.1f s of audio, %.1fx real time%s",
                 terminal_ ? "\r" : "",
                 what_.c_str(),
                 100.0 * done / total_,
                 audio,
                 total_ / sampleRate_,
                 elapsed > 0 ? audio / elapsed : 0.0,
                 terminal_ && !final ? "   " : "\n");
    std::fflush(out_);
    printed_ = true;
}
