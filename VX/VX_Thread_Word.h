// A word of which every thread has its own copy, null until that thread sets it: the framework's
// state between the calls of one thread (the soundpipe being built, the command being run), so
// that instances made on several threads at once never see each other's.
//
// The copies live in the system's thread slots (VX_Thread_Word_posix.cpp, _win32.cpp). On
// Windows the compiler's thread_local is emulated with objects that a module never gives back
// when a host unloads it; a slot is freed with the word.
#pragma once

#include <cstdint>
#include <type_traits>

class VX_Thread_Slot {
public:
    VX_Thread_Slot();
    ~VX_Thread_Slot();
    VX_Thread_Slot(const VX_Thread_Slot&) = delete;
    VX_Thread_Slot& operator=(const VX_Thread_Slot&) = delete;

    void* get() const; // null when this thread has not set it
    void set(void* value);

private:
    uintptr_t key = 0;
    bool valid = false;
};

// A pointer per thread, used like a plain pointer variable.
template <typename T> class VX_Thread_Word {
    static_assert(std::is_pointer_v<T>);

public:
    operator T() const { return static_cast<T>(slot.get()); }
    VX_Thread_Word& operator=(T value) {
        slot.set(const_cast<void*>(static_cast<const void*>(value)));
        return *this;
    }

private:
    VX_Thread_Slot slot;
};
