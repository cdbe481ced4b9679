#include "VX/VX_cfuncs.h"

#include <atomic>
#include <cstdio>

const VX_error VX_OK = "Operation OK";
const VX_error VX_ERROR_UNKNOWN = "Unknown error";
const VX_error VX_ERROR_FILE_CANNOT_OPEN = "Cannot open file";
const VX_error VX_ERROR_FILE_CANNOT_READ = "Cannot read file";
const VX_error VX_ERROR_FILE_CANNOT_CLOSE = "Cannot close file";
const VX_error VX_ERROR_MEMORY_CANNOT_ALLOCATE = "Cannot allocate memory";
const VX_error VX_ERROR_MEMORY_CANNOT_REALLOC = "Cannot re-allocate memory";
const VX_error VX_ERROR_MEMORY_CANNOT_FREE = "Cannot free memory";
const VX_error VX_ERROR_PARAM_REQUIRED = "Argument required";
const VX_error VX_ERROR_RESOURCE_CANNOT_LOAD = "Cannot load resource";
const VX_error VX_ERROR_RESOURCE_CANNOT_FIND = "Cannot find resource";
const VX_error VX_ERROR_RESOURCE_CANNOT_LOCK = "Cannot lock resource";
const VX_error VX_ERROR_AUDIO = "Audio operating error";
const VX_error VX_ERROR_AUDIO_CANNOT_OPEN = "Cannot open audio device";
const VX_error VX_ERROR_AUDIO_CANNOT_INPUT_STOP = "Cannot stop input audio device";
const VX_error VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE = "Cannot close input audio device";
const VX_error VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET = "Cannot reset output audio device";
const VX_error VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE = "Cannot close output audio device";
const VX_error VX_ERROR_COMMAND_NOT_FOUND = "Command not found";
const VX_error VX_ERROR_COMMAND_NOT_PARAM = "Param not found";
const VX_error VX_ERROR_COMMAND_NOT_SPACE = "Not enough space for command result";

// Defined per platform: the box itself.
int VX_platform_message_box(const char* text, const char* caption, unsigned type);

int VX_stderr_message_box(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "*** %s ***\n%s\n", caption, text);
    std::fflush(stderr);
    return 1; // IDOK
}

static std::atomic<VX_Message_Box> messageSink{nullptr};

VX_Message_Box VX_set_message_box(VX_Message_Box sink) {
    return messageSink.exchange(sink);
}

int VX_message_box(const char* text, const char* caption, unsigned type) {
    VX_Message_Box sink = messageSink.load();
    return sink ? sink(text, caption, type) : VX_platform_message_box(text, caption, type);
}

int VX_error_func(const char* file, int line, const char* proc, const char* date, const char* time,
                  const char* message) {
    // A text of its own for every report: instances are made and closed on several threads at
    // once, and the box is closed before the report returns.
    char text[4096];
    std::snprintf(text,
                  sizeof text,
                  "Error: %s\nFile: %s\nLine: %d\nProc: %s\nDate: %s\nTime: %s",
                  message,
                  file,
                  line,
                  proc,
                  date,
                  time);
    return VX_message_box(text, "ERROR", VX_MB_OK);
}

void VX_initall() {}
