#include "wav_file.h"

namespace wav {

bool readFile(const std::string& path, Audio& out, std::string& error) {
    std::string bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    if (!decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

FileWriter::FileWriter(std::string path, const Format& format)
    : file_(std::move(path)), format_(format) {}

bool FileWriter::open(std::string& error) {
    const std::vector<uint8_t> header = encodeHeader(format_, 0);
    if (header.empty()) {
        error = "cannot write " + file_.target() + " as " + format_.describe();
        return false;
    }
    frames_ = 0;
    tooLarge_ = false;
    return file_.open(error) && file_.write(header.data(), header.size());
}

bool FileWriter::append(const float* interleaved, size_t frames) {
    if (encodeHeader(format_, frames_ + frames).empty()) {
        tooLarge_ = true;
        return false;
    }
    scratch_.clear();
    encodeSamples(format_, interleaved, frames * format_.channels, scratch_);
    frames_ += frames;
    return file_.write(scratch_.data(), scratch_.size());
}

bool FileWriter::commit(std::string& error) {
    if (tooLarge_) {
        error = "cannot write " + file_.target() + ": more audio than a WAV file can hold (4 GiB)";
        return false;
    }
    // A failed write here shows in commit(), which then leaves the target untouched.
    const std::vector<uint8_t> header = encodeHeader(format_, frames_);
    const uint8_t pad = 0;
    if ((header.size() + frames_ * format_.bytesPerFrame()) & 1) file_.write(&pad, 1);
    file_.writeAt(0, header.data(), header.size());
    return file_.commit(error);
}

} // namespace wav
