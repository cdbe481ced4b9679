// WAV files on disk: reading a whole file, and writing one block by block that appears under its
// name only once complete.
#pragma once

#include "output_file.h"
#include "wav.h"

#include <string>

namespace wav {

bool readFile(const std::string& path, Audio& out, std::string& error);

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
