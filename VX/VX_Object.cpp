#include "VX/VX_Object.h"

#include "VX/VX_cmd.h"

constinit const VX_value VX_EMPTY;
VX_Thread_Word<const char*> VX_specialobject;

VX_Object::~VX_Object() {
    VX_cmd_object_gone(this);
}

VX_value VX_Object_delete(VX_Object* self, VX_value) {
    delete self;
    return VX_EMPTY;
}

constinit const VX_Option_Entry VX_Object_options[] = {
    VX_ABSTRACT,
    VX_OPTION("delete", VX_Object_delete),
    VX_PARENT(nullptr),
};

static bool endsWord(char c) {
    return c == '\0' || c == ' ';
}

bool VX_word_equal(const char* a, const char* b) {
    while (!endsWord(*a) && *a == *b) {
        ++a;
        ++b;
    }
    return endsWord(*a) && endsWord(*b);
}

const VX_Option_Entry* VX_find_class(const char* word) {
    for (const VX_Class_Entry* c = _VX; c->name; ++c)
        if (VX_word_equal(c->name, word)) return c->options;
    return nullptr;
}

const char* VX_class_name(const VX_Option_Entry* table) {
    for (const VX_Class_Entry* c = _VX; c->name; ++c)
        if (c->options == table) return c->name;
    return nullptr;
}

VX_Option_Func VX_find_option(const VX_Option_Entry* table, const char* name) {
    if (!table) return nullptr;
    // Entry 0, the creation entry, is never matched by name; a terminator continues at entry 1
    // of the parent's table, so each creation entry along the chain is skipped too.
    for (const VX_Option_Entry* e = table + 1;;) {
        if (!e->name) {
            if (!e->handler.parent) return nullptr;
            e = e->handler.parent + 1;
            continue;
        }
        if (!e->handler.option) return nullptr;
        if (VX_word_equal(e->name, name)) return e->handler.option;
        ++e;
    }
}
