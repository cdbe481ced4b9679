#include "VX/VX_Thread_Word.h"

#include <windows.h>

VX_Thread_Slot::VX_Thread_Slot() {
    const DWORD index = TlsAlloc();
    valid = index != TLS_OUT_OF_INDEXES;
    key = index;
}

// Runs when the module is unloaded: the slot goes back to the process.
VX_Thread_Slot::~VX_Thread_Slot() {
    if (valid) TlsFree(static_cast<DWORD>(key));
    valid = false; // a late reader during the module's end finds nothing
}

void* VX_Thread_Slot::get() const {
    return valid ? TlsGetValue(static_cast<DWORD>(key)) : nullptr;
}

void VX_Thread_Slot::set(void* value) {
    if (valid) TlsSetValue(static_cast<DWORD>(key), value);
}
