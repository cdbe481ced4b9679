// Root class of every object made by commands, and the class registry that maps class names to
// option tables.
#pragma once

#include "VX/VX_Thread_Word.h"
#include "VX/VX_value.h"

struct VX_Option_Entry;

// Handler of one option: fills and returns the report, given the object and the argument
// (type 1 for a query without value).
using VX_Option_Func = VX_value (*)(VX_Object* self, VX_value arg);
// Creation handler: returns the new object (or, for "VX_Soundpipe current", an existing one).
using VX_Create_Func = VX_Object* (*)();

// An option table is: entry 0 {"" , creation handler or null}, the class's own options (names
// without the leading "-"), then a terminator {null, parent table or null}.
struct VX_Option_Entry {
    const char* name;
    union {
        VX_Option_Func option;
        VX_Create_Func create;
        const VX_Option_Entry* parent;
    } handler;
};

#define VX_CREATE(fn)                                                                              \
    {                                                                                              \
        "", {                                                                                      \
            .create = (fn)                                                                         \
        }                                                                                          \
    }
#define VX_ABSTRACT                                                                                \
    {                                                                                              \
        "", {                                                                                      \
            .create = nullptr                                                                      \
        }                                                                                          \
    }
#define VX_OPTION(name, fn)                                                                        \
    {                                                                                              \
        (name), {                                                                                  \
            .option = (fn)                                                                         \
        }                                                                                          \
    }
#define VX_PARENT(table)                                                                           \
    {                                                                                              \
        nullptr, {                                                                                 \
            .parent = (table)                                                                      \
        }                                                                                          \
    }

struct VX_Class_Entry {
    const char* name;
    const VX_Option_Entry* options;
};

class VX_Object {
public:
    VX_Object() = default;
    VX_Object(const VX_Object&) = delete;
    VX_Object& operator=(const VX_Object&) = delete;
    // Tells the commands running on this thread that the object is gone (see VX_cmd.h).
    virtual ~VX_Object();

    // Both written by the interpreter right after the creation handler returns.
    const VX_Option_Entry* vxClass = nullptr; // the option table the object was created through
    const char* vxCommand = nullptr;          // the creating command's text
};

// The class registry, terminated by {null, null}. Built at compile time, never changed.
extern const VX_Class_Entry _VX[];

// The word after the class name of the command being run, when it is a plain string; not
// terminated at the end of the word (compare it with VX_word_equal). Set just before a creation
// handler runs; each thread has its own.
extern VX_Thread_Word<const char*> VX_specialobject;

// Option table of the root class: "-delete".
extern const VX_Option_Entry VX_Object_options[];

// Words end at a space or at the end of the text; equal words end at the same position.
bool VX_word_equal(const char* a, const char* b);

// The option table of the class named by the word, or null.
const VX_Option_Entry* VX_find_class(const char* word);

// Name of the class whose option table this is, or null when it is not in the registry.
const char* VX_class_name(const VX_Option_Entry* table);

// Looks an option name (without "-") up along the parent chain, own options first.
VX_Option_Func VX_find_option(const VX_Option_Entry* table, const char* name);

// "-delete" as the root class does it: destroys the object (null does nothing).
VX_value VX_Object_delete(VX_Object* self, VX_value arg);
