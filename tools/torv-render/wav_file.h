// WAV files on disk: reading a whole file or its first channel piece by piece, and writing one
// block by block that appears under its name only once complete.
#pragma once

#include "output_file.h"
#include "wav.h"

#include <memory>
#include <string>

namespace wav {

bool readFile(const std::string& path, Audio& out, std::string& error);

// The first channel of a file, decoded as it is read: memory stays small whatever its length.
class FileReader {
public:
    FileReader();
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens the file and finds its audio; the same rules and messages as readFile().
    bool open(const std::string& path, std::string& error);
    const Format& format() const { return layout_.format; }
    uint64_t frames() const { return layout_.frames; }

    // The next `count` samples of the first channel (fewer at the end of the audio); false,
    // with the reason in `error`, when the file cannot be read on. [the rendering thread]
    bool read(float* out, size_t count, size_t& got, std::string& error);

private:
    std::string path_;
    std::string image_; // the whole file, where it cannot be read at an offset (a pipe)
    std::unique_ptr<Source> source_;
    Layout layout_;
    std::unique_ptr<FirstChannelReader> reader_;
};

class FileWriter {
public:
    FileWriter(std::string path, const Format& format);

    bool open(std::string& error);
    // Appends interleaved frames. [the rendering thread]
    bool append(const float* interleaved, size_t frames);
    // Fills in the sizes and puts the file in place.
    bool commit(std::string& error);

    uint64_t frames() const { return frames_; }

private:
    OutputFile file_;
    Format format_;
    uint64_t frames_ = 0;
    bool tooLarge_ = false;
    std::vector<uint8_t> scratch_;
};

} // namespace wav
