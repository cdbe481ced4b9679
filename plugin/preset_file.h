// Preset files, "*.torv": the product string with its terminating zero, then the two parameter
// values as 32-bit words in little-endian order, State (an integer) and Frequency (a float).
// Nothing else: no version, no count. What the values mean is the application's business.
#pragma once

#include <cstdint>
#include <cstdio>

struct PresetRead {
    // The message of the step that failed, or null.
    const char* message = nullptr;
    bool haveState = false;
    bool haveFrequency = false;
    uint32_t state = 0;
    uint32_t frequency = 0; // the bits of the float
};

// Reads a preset file. A failure before the values leaves both unread; a file cut short after
// the State value gives that value and the message "Cannot read params from preset file.".
PresetRead readPresetFile(const char* path);
// Writes a preset file beside `path` under a name of its own and moves it over `path` only
// when it is complete, so that a failed save never leaves a partial file where a good one was.
// The message of the step that failed, or null.
const char* writePresetFile(const char* path, uint32_t state, uint32_t frequency);

// The file reads and writes of the two functions; tests replace them to make them fail.
struct PresetFileIo {
    size_t (*read)(void* data, size_t size, size_t count, std::FILE* file);
    size_t (*write)(const void* data, size_t size, size_t count, std::FILE* file);
};
extern PresetFileIo presetFileIo;

// The file system's part (preset_file_posix.cpp, preset_file_win32.cpp).
// Creates `path` for writing in binary, only if nothing of that name exists yet. Null when it
// cannot be made; `exists` tells whether that was because the name is taken.
std::FILE* createNewPresetFile(const char* path, bool& exists);
// Moves `written` over `target`, replacing it if it exists. False when that fails.
bool replacePresetFile(const char* written, const char* target);
