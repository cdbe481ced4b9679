// The framework's C layer: error codes, the error report, message boxes, resources and
// initialisation.
#pragma once

#include <cstddef>

// An error code is a pointer to its message text; codes are compared by pointer.
using VX_error = const char*;

extern const VX_error VX_OK;
extern const VX_error VX_ERROR_UNKNOWN;
extern const VX_error VX_ERROR_FILE_CANNOT_OPEN;
extern const VX_error VX_ERROR_FILE_CANNOT_READ;
extern const VX_error VX_ERROR_FILE_CANNOT_CLOSE;
extern const VX_error VX_ERROR_MEMORY_CANNOT_ALLOCATE;
extern const VX_error VX_ERROR_MEMORY_CANNOT_REALLOC;
extern const VX_error VX_ERROR_MEMORY_CANNOT_FREE;
extern const VX_error VX_ERROR_PARAM_REQUIRED;
extern const VX_error VX_ERROR_RESOURCE_CANNOT_LOAD;
extern const VX_error VX_ERROR_RESOURCE_CANNOT_FIND;
extern const VX_error VX_ERROR_RESOURCE_CANNOT_LOCK;
extern const VX_error VX_ERROR_AUDIO;
extern const VX_error VX_ERROR_AUDIO_CANNOT_OPEN;
extern const VX_error VX_ERROR_AUDIO_CANNOT_INPUT_STOP;
extern const VX_error VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE;
extern const VX_error VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET;
extern const VX_error VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE;
extern const VX_error VX_ERROR_COMMAND_NOT_FOUND;
extern const VX_error VX_ERROR_COMMAND_NOT_PARAM;
extern const VX_error VX_ERROR_COMMAND_NOT_SPACE;

// Message boxes. The type bits are those of the Win32 MessageBox call.
enum : unsigned { VX_MB_OK = 0x0, VX_MB_ICONERROR = 0x10 };
using VX_Message_Box = int (*)(const char* text, const char* caption, unsigned type);

// Shows a modal message box (Windows) or writes the message to standard error (elsewhere, and
// on Windows when the environment variable VX_MESSAGES is "stderr"); returns the box's result.
int VX_message_box(const char* text, const char* caption, unsigned type);

// Routes every message box of the framework and the application to another function (tests
// capture reports this way; nothing may block on a box there). Null restores the default.
// Returns the previous sink.
VX_Message_Box VX_set_message_box(VX_Message_Box sink);

// Formats "Error: ...\nFile: ...\nLine: ...\nProc: ...\nDate: ...\nTime: ..." into a text of
// 4096 bytes of its own and shows it in a box captioned "ERROR" with a single OK button.
int VX_error_func(const char* file, int line, const char* proc, const char* date, const char* time,
                  const char* message);

#define VX_REPORT(message)                                                                         \
    VX_error_func(__FILE__, __LINE__, __func__, __DATE__, __TIME__, (message))

// The framework's initialisation entry. Everything is set up by static initialisation when the
// module loads, so it has nothing left to do.
void VX_initall();

// Bytes of the resource of type "DATA" with the given name (matched without regard to case) in
// the module that holds this code, or null after reporting the failure.
const void* VX_resource(const char* name);
// The same, with the resource's size in bytes.
const void* VX_resource_sized(const char* name, std::size_t* size);

// Native builds compile resources in as data (see torv_add_resources); each program registers
// its table at start-up. The table ends with a null name.
struct VX_Embedded_Resource {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};
bool VX_register_resources(const VX_Embedded_Resource* table);
