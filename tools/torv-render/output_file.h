// Output files that appear under their name only when complete. The data goes to a temporary
// file next to the target and is renamed over it by commit(); until then an existing file of
// that name stays as it was, and a failed or abandoned write leaves nothing behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The C library's buffer for the file; write() hands larger blocks straight to the file.
    static constexpr size_t bufferBytes = size_t{1} << 20;

    bool open(std::string& error);
    bool write(const void* data, size_t size);
    bool writeAt(uint64_t offset, const void* data, size_t size); // then continues at the end
    bool commit(std::string& error);

    const std::string& target() const { return target_; }

private:
    void abandon();

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// Writes a whole text or binary image through an OutputFile.
bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error);

// Reads a whole file; false with a message when it cannot be read.
bool readWholeFile(const std::string& path, std::string& content, std::string& error);
