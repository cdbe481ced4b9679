#include "VX/VX_cmd.h"

#include "VX/VX_Object.h"
#include "VX/VX_lexer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

std::atomic<uint32_t> VX_settings_changes{0};

// Command texts are usually string constants, which are read-only: the interpreter never
// writes into them. A value word that ends the text is already terminated and is passed as it
// stands; a word inside the text is passed as a terminated copy from a pool that lives as long
// as the program, because handlers may keep what they are given ("-text", "-res", "-font").
// The pool holds each distinct word once, so repeated commands do not make it grow.
//
// The pool is made when the module loads, not on first use: a function's static with a
// constructor is guarded by the C++ runtime's once, which on Windows (winpthreads, linked into
// the module) gives the host's thread an event and a copy of its thread handle that are never
// closed when the host unloads the module, two handles lost on every load.
namespace {
std::mutex wordPoolLock;
std::set<std::string, std::less<>> wordPool;
} // namespace

const char* VX_word_copy(const char* begin, const char* end) {
    std::lock_guard<std::mutex> guard(wordPoolLock);
    std::string_view word(begin, static_cast<size_t>(end - begin));
    auto it = wordPool.find(word);
    if (it == wordPool.end()) it = wordPool.emplace(word).first;
    return it->c_str();
}

namespace {

// The object each command running on this thread works on, innermost first: a handler may run
// commands of its own. A destructor marks every one that works on the object it ends.
struct Watch {
    const VX_Object* object = nullptr;
    bool gone = false;
    Watch* outer = nullptr;
};
VX_Thread_Word<Watch*> running;
// The object that the last command to finish on this thread deleted, or null.
VX_Thread_Word<const VX_Object*> lastDeleted;

// Registers a command's watch for as long as the command runs.
class Watching {
public:
    Watching() : watch{nullptr, false, running} { running = &watch; }
    ~Watching() {
        running = watch.outer;
        lastDeleted = watch.gone ? watch.object : nullptr;
    }
    Watching(const Watching&) = delete;
    Watching& operator=(const Watching&) = delete;
    Watch watch;
};

struct Run {
    int flags;
    const char* command;
    char* result;
    int capacity;
    int length = 0;
    va_list* args;
    Watch* watch;

    bool text() const { return flags & VX_CMD_TEXT; }
    bool pointers() const { return flags & VX_CMD_POINTERS; }

    // Appends formatted text, never writing past the capacity; the length counts what the
    // whole text would take, so an overflow is seen by the capacity check.
    void append(const char* s, size_t n) {
        if (length > 0) appendRaw(" ", 1);
        appendRaw(s, n);
    }
    void appendRaw(const char* s, size_t n) {
        if (length < capacity) {
            size_t room = static_cast<size_t>(capacity - length);
            std::memcpy(result + length, s, n < room ? n : room);
        }
        length += static_cast<int>(n);
    }
    void appendReference(const void* p) {
        char buf[2 + 2 * sizeof(void*) + 1];
        int n = std::snprintf(buf, sizeof buf, "0x%" PRIXPTR, reinterpret_cast<uintptr_t>(p));
        append(buf, static_cast<size_t>(n));
    }
    void appendReport(const VX_value& r) {
        char buf[512];
        int n = 0;
        switch (r.type) {
        case VX_TYPE_INT:
            n = std::snprintf(buf, sizeof buf, "%d", r.value.i);
            break;
        case VX_TYPE_FLOAT:
            n = std::snprintf(buf, sizeof buf, "%f", static_cast<double>(r.value.f));
            break;
        case VX_TYPE_STRING: {
            const char* s = r.value.s ? r.value.s : "";
            append(s, std::strlen(s));
            return;
        }
        case VX_TYPE_OBJECT:
            if (r.length < 0) {
                appendReference(r.value.p);
            } else {
                if (length > 0) appendRaw(" ", 1);
                appendRaw(static_cast<const char*>(r.value.p), static_cast<size_t>(r.length));
            }
            return;
        default:
            return; // nothing, or the empty value
        }
        if (n >= static_cast<int>(sizeof buf)) n = sizeof buf - 1;
        append(buf, static_cast<size_t>(n));
    }

    // Pointer outputs: numbers go out as their 32-bit value (a float's bits), strings and
    // references as whole pointers.
    void store(const VX_value& r) {
        void* target = va_arg(*args, void*);
        if (!target) return;
        if (r.type == VX_TYPE_STRING || r.type == VX_TYPE_OBJECT)
            std::memcpy(target, &r.value.p, sizeof(void*));
        else
            std::memcpy(target, &r.value.u, sizeof(uint32_t));
    }
    void storeObject(VX_Object* o) {
        void* target = va_arg(*args, void*);
        if (target) std::memcpy(target, &o, sizeof o);
    }

    VX_error overflow() const {
        return text() && length > capacity ? VX_ERROR_COMMAND_NOT_SPACE : VX_OK;
    }
};

struct Value {
    VX_value v;
    bool optionWord = false; // a word beginning with "-": no value, the next option
    bool fromText = false;   // the value is a word of the text (not from an argument)
    const char* begin = nullptr;
    const char* end = nullptr;
};

bool isSeparatorEnd(const char* p) {
    return *p == '\0';
}

// Reads the word at a value position. `pos` moves past the word's separator; `complete`
// becomes true when that separator is the end of the text.
Value readValue(Run& run, const char*& pos, bool& complete) {
    Value val;
    if (*pos == '%') {
        char letter = pos[1];
        VX_bits b{.raw = 0};
        switch (letter) {
        case 'i':
            b.i = va_arg(*run.args, int);
            val.v = VX_value(b, VX_TYPE_INT);
            break;
        case 'f':
            b.f = static_cast<float>(va_arg(*run.args, double));
            val.v = VX_value(b, VX_TYPE_FLOAT);
            break;
        case 's':
            b.s = va_arg(*run.args, char*);
            val.v = VX_value(b, VX_TYPE_STRING);
            break;
        case 'o':
            b.p = va_arg(*run.args, void*);
            val.v = VX_value(b, VX_TYPE_OBJECT);
            break;
        default:
            val.v = VX_value(b, VX_TYPE_NOTHING);
            break;
        }
        const char* p = letter ? pos + 2 : pos + 1;
        while (*p && *p != ' ') ++p; // a directive takes the whole word
        complete = isSeparatorEnd(p);
        pos = complete ? p : p + 1;
        return val;
    }
    VX_Word w = VX_lex(pos);
    val.v = w.value;
    val.begin = w.begin;
    val.end = w.end;
    if (w.value.type == VX_TYPE_STRING && *w.begin == '-') {
        val.optionWord = true;
        val.v = VX_EMPTY;
    } else {
        val.fromText = true;
    }
    complete = isSeparatorEnd(w.end);
    pos = complete ? w.end : w.end + 1;
    return val;
}

// The value a handler is given: a string word of the text as a terminated, lasting word.
VX_value handlerValue(const Value& val) {
    if (!val.fromText || val.v.type != VX_TYPE_STRING) return val.v;
    const char* word = *val.end == '\0' ? val.begin : VX_word_copy(val.begin, val.end);
    return VX_value::string(word);
}

// An option after a handler deleted the command's object would work on freed memory.
VX_error objectGone(const char* command, const char* name) {
    std::printf("tqrun: %s\n", command);
    std::printf("tqrun: object deleted before '%s'\n", name);
    std::fflush(stdout);
    return VX_ERROR_PARAM_REQUIRED;
}

VX_error paramNotFound(const char* command, const char* name) {
    std::printf("tqrun: %s\n", command);
    std::printf("tqrun: param '%s' not found\n", name);
    std::fflush(stdout);
    return VX_ERROR_COMMAND_NOT_PARAM;
}

// Carries out one option on the object. `name` is the option word without its "-".
VX_error carryOut(Run& run, const VX_Option_Entry* table, VX_Object* target, const char* name,
                  const Value& val) {
    if (run.watch->gone) return objectGone(run.command, name);
    VX_Option_Func handler = VX_find_option(table, name);
    if (!handler) return paramNotFound(run.command, name);
    // The language has no types and no liveness checks; a null target is the one mistake it
    // can see, and only "-delete" is defined on it.
    if (!target && !VX_word_equal(name, "delete")) {
        std::printf("tqrun: %s\n", run.command);
        std::printf("tqrun: param '%s' given no object\n", name);
        std::fflush(stdout);
        return VX_ERROR_PARAM_REQUIRED;
    }
    if (val.v.type >= VX_TYPE_INT) {
        handler(target, handlerValue(val)); // setting: the report is dropped
    } else {
        VX_value report = handler(target, VX_EMPTY);
        if (run.text()) run.appendReport(report);
        if (run.pointers() && report.type >= VX_TYPE_INT) run.store(report);
    }
    // A query may change settings too ("-b", "-delete"): every option counts.
    VX_settings_changed();
    return run.overflow();
}

} // namespace

bool VX_cmd_deleted_its_object() {
    return lastDeleted != nullptr;
}

void VX_cmd_object_gone(const VX_Object* object) {
    for (Watch* w = running; w; w = w->outer)
        if (w->object == object) w->gone = true;
}

VX_error VX_vcmd(int flags, const char* command, char* result, int* capacity, va_list* args) {
    Watching watching;
    Run run{flags, command, result, capacity ? *capacity : 0, 0, args, &watching.watch};
    if (!result) run.flags &= ~VX_CMD_TEXT;
    if (run.text()) std::memset(result, 0, static_cast<size_t>(run.capacity));

    const char* pos = command;
    const VX_Option_Entry* table = nullptr;
    bool complete = false;
    bool named = false;

    if (*pos != '%') {
        VX_Word first = VX_lex(pos);
        table = VX_find_class(first.begin);
        if (!table) {
            std::printf("tqrun: command '%s' not found\n", command);
            std::fflush(stdout);
            return VX_ERROR_COMMAND_NOT_FOUND;
        }
        named = true;
        complete = isSeparatorEnd(first.end);
        pos = complete ? first.end : first.end + 1;
    }

    VX_Object* target = nullptr;
    const char* option = nullptr; // current option word without "-"; null: the creation step
    for (;;) {
        Value val;
        if (!complete) val = readValue(run, pos, complete);

        if (!option) {
            const int t = val.v.type;
            if (t == VX_TYPE_INT || t == VX_TYPE_FLOAT || t == VX_TYPE_OBJECT) {
                // A number in this place is taken by its bits, as a reference is.
                target = t == VX_TYPE_OBJECT
                             ? val.v.value.o
                             : reinterpret_cast<VX_Object*>(static_cast<uintptr_t>(val.v.value.u));
                // Lookup starts at the named class, else at the class the object was made
                // through; a null reference without a class can still be deleted.
                if (!named) table = target ? target->vxClass : VX_Object_options;
                watching.watch.object = target;
            } else {
                if (!named || !table->handler.create) {
                    std::printf("tqrun: command '%s' cannot create an object\n", command);
                    std::fflush(stdout);
                    return VX_ERROR_COMMAND_NOT_FOUND;
                }
                VX_specialobject = (t == VX_TYPE_STRING) ? val.v.value.s : nullptr;
                target = table->handler.create();
                if (target) {
                    target->vxClass = table;
                    target->vxCommand = command;
                }
                watching.watch.object = target;
                if (run.text()) run.appendReference(target);
                if (run.pointers()) run.storeObject(target);
            }
        } else {
            VX_error e = carryOut(run, table, target, option, val);
            if (e != VX_OK) return e;
        }
        if (VX_error e = run.overflow(); e != VX_OK) return e;

        if (complete) {
            if (val.optionWord) {
                VX_error e = carryOut(run, table, target, val.begin + 1, Value());
                if (e != VX_OK) return e;
            }
            if (run.text() && capacity) *capacity = run.length;
            return VX_OK;
        }
        if (val.optionWord) {
            option = val.begin + 1;
        } else {
            VX_Word raw = VX_lex(pos);
            option = raw.begin + (*raw.begin ? 1 : 0);
            complete = isSeparatorEnd(raw.end);
            pos = complete ? raw.end : raw.end + 1;
        }
    }
}

VX_error VX_cmd(const char* format, ...) {
    va_list args;
    va_start(args, format);
    VX_error e = VX_vcmd(VX_CMD_POINTERS, format, nullptr, nullptr, &args);
    va_end(args);
    return e;
}

VX_error VX_cmd_text(char* result, int* capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    VX_error e = VX_vcmd(VX_CMD_TEXT, format, result, capacity, &args);
    va_end(args);
    return e;
}
