#include "output_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// The C library's own buffer is a few KiB: under Wine each refill or flush of it costs a trip
// to the Wine server, and torv-render spent more time on its files than on the audio.
void useLargeBuffer(std::FILE* f) {
    std::setvbuf(f, nullptr, _IOFBF, OutputFile::bufferBytes);
}

std::string reason() {
    return std::strerror(errno);
}
} // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {}

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

bool OutputFile::open(std::string& error) {
    abandon();
    failed_ = false;
    // A unique name, so that two renders to the same target never write into one file.
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    temporary_ = target_ + ".partial-" + std::to_string(static_cast<unsigned long long>(ticks));
    file_ = std::fopen(temporary_.c_str(), "wb");
    if (!file_) {
        error = "cannot write " + target_ + ": " + reason();
        temporary_.clear();
        return false;
    }
    useLargeBuffer(file_);
    return true;
}

bool OutputFile::write(const void* data, size_t size) {
    if (!file_ || failed_) return false;
    // A block as large as the buffer is not copied into it: from an empty buffer, both the
    // Windows and the GNU C library write whole buffers' worth straight from the caller's memory.
    if (size >= bufferBytes && std::fflush(file_) != 0) failed_ = true;
    if (!failed_ && size && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    return !failed_;
}

bool OutputFile::writeAt(uint64_t offset, const void* data, size_t size) {
    if (!file_ || failed_) return false;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
        (size && std::fwrite(data, 1, size, file_) != size) || std::fseek(file_, 0, SEEK_END) != 0)
        failed_ = true;
    return !failed_;
}

bool OutputFile::commit(std::string& error) {
    if (!file_) {
        error = "cannot write " + target_ + ": the file was not opened";
        return false;
    }
    // Errors of buffered writes (a full disk) show at the latest when the file is closed.
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !flushed || !closed) {
        error = "cannot write " + target_ + ": " + reason();
        abandon();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        error = "cannot replace " + target_ + ": " + ec.message();
        abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    OutputFile file(path);
    if (!file.open(error)) return false;
    file.write(content.data(), content.size());
    return file.commit(error);
}

bool readWholeFile(const std::string& path, std::string& content, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path + ": " + reason();
        return false;
    }
    useLargeBuffer(f);
    content.clear();
    // Room for the whole file at once, where its size can be known, instead of growing by copies.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) content.reserve(static_cast<size_t>(size));
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) error = "cannot read " + path + ": " + reason();
    return ok;
}
