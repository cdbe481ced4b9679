#include "wav_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace wav {
namespace {

// A file read at any offset. The stream's 64-bit offsets reach past 4 GiB on every target;
// a read that follows the previous one does not seek, which would drop the stream's buffer.
class FileSource : public Source {
public:
    bool open(const std::string& path) {
        file_.open(path, std::ios::binary);
        if (!file_) return false;
        file_.seekg(0, std::ios::end);
        const std::streamoff end = file_.tellg();
        file_.seekg(0);
        if (!file_ || end < 0) return false;
        size_ = static_cast<uint64_t>(end);
        return true;
    }
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, void* to, size_t n, std::string& error) override {
        if (offset != position_) {
            file_.clear();
            file_.seekg(static_cast<std::streamoff>(offset));
        }
        errno = 0;
        file_.read(static_cast<char*>(to), static_cast<std::streamsize>(n));
        const auto got = static_cast<size_t>(file_.gcount());
        position_ = offset + got;
        if (got == n) return true;
        const int code = errno;
        position_ = ~uint64_t{0}; // unknown: the next read seeks
        error = "cannot read at byte " + std::to_string(offset + got) + ": " +
                (code ? std::strerror(code) : "the file has become shorter");
        return false;
    }

private:
    std::ifstream file_;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

} // namespace

bool readFile(const std::string& path, Audio& out, std::string& error) {
    std::string bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    if (!decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

FileReader::FileReader() = default;
FileReader::~FileReader() = default;

bool FileReader::open(const std::string& path, std::string& error) {
    path_ = path;
    reader_.reset();
    image_.clear();
    std::error_code ec;
    auto file = std::make_unique<FileSource>();
    if (std::filesystem::is_regular_file(path, ec) && file->open(path)) {
        source_ = std::move(file);
    } else {
        if (!readWholeFile(path, image_, error)) return false;
        source_ = std::make_unique<MemorySource>(reinterpret_cast<const uint8_t*>(image_.data()),
                                                 image_.size());
    }
    if (!readLayout(*source_, layout_, error)) {
        error = path + ": " + error;
        return false;
    }
    reader_ = std::make_unique<FirstChannelReader>(*source_, layout_);
    return true;
}

bool FileReader::read(float* out, size_t count, size_t& got, std::string& error) {
    got = reader_ ? reader_->read(out, count) : 0;
    if (reader_ && reader_->error().empty()) return true;
    error = path_ + ": " + (reader_ ? reader_->error() : "the file is not open");
    return false;
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
    frames_ += frames;
    const size_t count = frames * format_.channels;
    if (format_.bytesAreFloats()) return file_.write(interleaved, count * 4);
    scratch_.clear();
    encodeSamples(format_, interleaved, count, scratch_);
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
