#include "plugin/preset_file.h"

#include "plugin/torv_strings.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>

PresetFileIo presetFileIo = {std::fread, std::fwrite};

namespace {

constexpr size_t headerSize = sizeof torvProductString; // the text and its zero byte
constexpr long fileSize = static_cast<long>(headerSize) + 8;

void toBytes(uint32_t v, unsigned char* out) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t fromBytes(const unsigned char* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

// A new file beside `path` to write the preset into, named "~" and letters no longer than the
// preset's own name (from 2 to 12 characters): where the preset can be made, so can it, also
// close to the limits on path and name lengths. Made only if the name is free, so nobody's
// file is ever overwritten; null when none can be made.
std::FILE* createTemporaryBeside(const std::string& path, std::string& temporary) {
    const size_t nameStart = path.find_last_of("/\\:") + 1; // npos + 1 is 0: no folder
    const size_t nameLength = path.size() - nameStart;
    const size_t length = nameLength < 2 ? 2 : nameLength > 12 ? 12 : nameLength;
    static std::atomic<uint64_t> calls{0};
    const uint64_t ticks =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t call = calls.fetch_add(1) + 1;
    uint64_t bits = (ticks ^ (call * 0x9E3779B97F4A7C15ull)) | 1; // never 0 for the xorshift
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.assign(path, 0, nameStart);
        temporary += '~';
        for (size_t i = 1; i < length; ++i) {
            bits ^= bits << 13; // xorshift: a new letter each time
            bits ^= bits >> 7;
            bits ^= bits << 17;
            temporary += "0123456789abcdefghijklmnopqrstuvwxyz"[bits % 36];
        }
        bool exists = false;
        if (std::FILE* file = createNewPresetFile(temporary.c_str(), exists)) return file;
        if (!exists) break; // the folder cannot take a new file at all
    }
    temporary.clear();
    return nullptr;
}

} // namespace

PresetRead readPresetFile(const char* path) {
    PresetRead r;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        r.message = "Cannot open this file.";
        return r;
    }
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    char header[headerSize + 1] = {}; // the last byte stays 0: a text whatever was read
    unsigned char word[4];
    if (size != fileSize) {
        r.message = "Bad content in preset file.";
    } else if (std::fseek(file, 0, SEEK_SET) != 0 ||
               presetFileIo.read(header, headerSize, 1, file) != 1) {
        r.message = "Cannot read header in preset file.";
    } else if (std::strcmp(header, torvProductString) != 0) {
        // Compared as a text: whatever follows its zero byte goes unnoticed.
        r.message = "Wrong header in preset file.";
    } else if (presetFileIo.read(word, 4, 1, file) != 1) {
        r.message = "Cannot read params from preset file.";
    } else {
        r.haveState = true;
        r.state = fromBytes(word);
        if (presetFileIo.read(word, 4, 1, file) != 1) {
            r.message = "Cannot read params from preset file.";
        } else {
            r.haveFrequency = true;
            r.frequency = fromBytes(word);
        }
    }
    std::fclose(file);
    return r;
}

const char* writePresetFile(const char* path, uint32_t state, uint32_t frequency) {
    std::string written;
    std::FILE* file = createTemporaryBeside(path, written);
    if (!file) return "Cannot open preset file.";
    const char* message = nullptr;
    unsigned char stateBytes[4], frequencyBytes[4];
    toBytes(state, stateBytes);
    toBytes(frequency, frequencyBytes);
    if (presetFileIo.write(torvProductString, headerSize, 1, file) != 1)
        message = "Cannot write header to preset file.";
    else if (presetFileIo.write(stateBytes, 4, 1, file) != 1 ||
             presetFileIo.write(frequencyBytes, 4, 1, file) != 1)
        message = "Cannot write params to preset file.";
    // Buffered data reaches the disk only now: a full disk shows here.
    if (std::fclose(file) != 0 && !message) message = "Cannot write params to preset file.";
    if (!message && !replacePresetFile(written.c_str(), path)) message = "Cannot open preset file.";
    if (message) std::remove(written.c_str());
    return message;
}
