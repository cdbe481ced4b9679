// The command interpreter: one-line text commands that create, configure, query and delete
// framework objects ("VX_Effect_Hipass -i %o -o %o", "%o -f %f", "%o -delete").
//
// Threads: commands run on the thread that owns the object tree (the plug-in's constructor,
// the editor's message handling, the host's parameter calls). The interpreter's only state
// between calls is VX_specialobject (one per thread) and the pool of value words (shared,
// guarded by a mutex); threads may run commands at once on objects of their own, never two
// threads on the same objects.
#pragma once

#include "VX/VX_cfuncs.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>

class VX_Object;

enum : int {
    VX_CMD_TEXT = 1,     // write the results as text into the result buffer
    VX_CMD_POINTERS = 2, // store the results through pointer arguments
};

// Runs a command with pointer outputs: a created object, then each query's report, go through
// the next pointer argument, in the order the command consumes its arguments.
VX_error VX_cmd(const char* format, ...);

// The general form. `capacity` holds the result buffer's size in bytes and receives the length
// of the text on success; `args` is advanced past every argument the command consumed.
VX_error VX_vcmd(int flags, const char* command, char* result, int* capacity, va_list* args);

// Runs a command and writes its results as text instead of through pointers.
VX_error VX_cmd_text(char* result, int* capacity, const char* format, ...);

// Whether the last command this thread completed or stopped deleted the object it worked on
// ("x -delete", "VX_Buffer -delete"). A command whose object a handler deleted stops there: an
// option after it gives VX_ERROR_PARAM_REQUIRED.
bool VX_cmd_deleted_its_object();

// Called by every object's destructor: the commands running on this thread that work on the
// object learn that it is gone.
void VX_cmd_object_gone(const VX_Object* object);

// Counts the changes of objects' settings: every option a command carries out, and every new
// storage of a buffer. Whatever a reader worked out from the settings of objects still holds while
// the count stays the same, so the audio thread need not look at them again each block. A writer
// counts after its change (release), a reader reads the count before the settings (acquire).
extern std::atomic<uint32_t> VX_settings_changes;
inline void VX_settings_changed() {
    VX_settings_changes.fetch_add(1, std::memory_order_release);
}

// Keeps a terminated copy of a word of a command text for as long as the program runs; equal
// words share one copy. Handlers may keep the pointers they are given.
const char* VX_word_copy(const char* begin, const char* end);
