#include "call_counter.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include "sanitizer.h"

#if TORV_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace {
using call_counter::countAllocation;
using call_counter::countFree;
using call_counter::countLock;

// The C library's function of that name. Looked up on first use, without a guarded static,
// because the lookup must not itself wait for a lock that is being counted.
template <typename F> F next(F& cached, const char* name) {
    if (!cached) cached = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return cached;
}
using MutexFn = int (*)(pthread_mutex_t*);
using RwlockFn = int (*)(pthread_rwlock_t*);
using SemFn = int (*)(sem_t*);
MutexFn realMutexLock, realMutexTrylock;
RwlockFn realRdlock, realWrlock;
SemFn realSemWait;
} // namespace

// The lock functions of the process pass through here (the program exports them, so the
// module's calls bind to these) and go on to the C library's.
extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) {
    countLock();
    return next(realMutexLock, "pthread_mutex_lock")(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    countLock();
    return next(realMutexTrylock, "pthread_mutex_trylock")(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    countLock();
    return next(realRdlock, "pthread_rwlock_rdlock")(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    countLock();
    return next(realWrlock, "pthread_rwlock_wrlock")(l);
}
int sem_wait(sem_t* s) {
    countLock();
    return next(realSemWait, "sem_wait")(s);
}
}

#if TORV_ASAN
namespace {
void onMalloc(const volatile void*, size_t) {
    countAllocation();
}
void onFree(const volatile void*) {
    countFree();
}
} // namespace
#else
// Without the sanitizer's allocator the C library's allocation functions are replaced by
// counting ones that forward to glibc's own entry points.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    countAllocation();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    countAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    countAllocation();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n) {
    countAllocation();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
    countAllocation();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
    countAllocation();
    *out = __libc_memalign(alignment, n);
    return *out ? 0 : 12; // ENOMEM
}
void free(void* p) {
    countFree();
    __libc_free(p);
}
}
#endif

namespace call_counter {

bool install(const Module&, std::string& how, std::string& error) {
#if TORV_ASAN
    static const bool hooked = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    if (!hooked) {
        error = "the sanitizer refused another allocation hook";
        return false;
    }
    how = "process-wide: the sanitizer's malloc/free hooks (operator new included) and the "
          "pthread mutex, rwlock and semaphore functions";
#else
    how = "process-wide: malloc, calloc, realloc, memalign, free (operator new included) and "
          "the pthread mutex, rwlock and semaphore functions";
#endif
    error.clear();
    return true;
}

} // namespace call_counter
