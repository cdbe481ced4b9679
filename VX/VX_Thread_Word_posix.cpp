#include "VX/VX_Thread_Word.h"

#include <pthread.h>

static_assert(sizeof(pthread_key_t) <= sizeof(uintptr_t));

VX_Thread_Slot::VX_Thread_Slot() {
    pthread_key_t k;
    valid = pthread_key_create(&k, nullptr) == 0;
    key = valid ? static_cast<uintptr_t>(k) : 0;
}

VX_Thread_Slot::~VX_Thread_Slot() {
    if (valid) pthread_key_delete(static_cast<pthread_key_t>(key));
    valid = false; // a late reader during the program's end finds nothing
}

void* VX_Thread_Slot::get() const {
    return valid ? pthread_getspecific(static_cast<pthread_key_t>(key)) : nullptr;
}

void VX_Thread_Slot::set(void* value) {
    if (valid) pthread_setspecific(static_cast<pthread_key_t>(key), value);
}
