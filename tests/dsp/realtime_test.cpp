// The soundpipe's processing allocates nothing and takes no lock. The allocation functions are
// counted while a window is open: through the sanitizer's hooks when it owns malloc (they see
// malloc and operator new alike), else through replaced global operator new and delete.
// Natively, pthread_mutex_lock is wrapped to count the locks taken in the window.
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORV_SANITIZED_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TORV_SANITIZED_ALLOCATOR 1
#endif

namespace {
constinit std::atomic<bool> watching{false};
constinit std::atomic<long> allocations{0};
constinit std::atomic<long> locks{0};

void countAllocation() {
    if (watching.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}
} // namespace

#if defined(TORV_SANITIZED_ALLOCATOR)
#include <sanitizer/allocator_interface.h>

namespace {
void onMalloc(const volatile void*, size_t) {
    countAllocation();
}
void onFree(const volatile void*) {
    countAllocation();
}
const bool hooked = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
} // namespace
#else
namespace {
const bool hooked = true;
void* allocate(std::size_t n) {
    countAllocation();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void release(void* p) noexcept {
    if (p) countAllocation();
    std::free(p);
}
} // namespace

void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    countAllocation();
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    countAllocation();
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}
#endif

#if defined(__linux__)
#include <dlfcn.h>
#include <pthread.h>

extern "C" int pthread_mutex_lock(pthread_mutex_t* m) {
    using Lock = int (*)(pthread_mutex_t*);
    static Lock real = nullptr;
    if (!real) real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (watching.load(std::memory_order_relaxed)) locks.fetch_add(1);
    return real(m);
}
#define TORV_COUNTS_LOCKS 1
#endif

namespace {

struct Window {
    Window() {
        allocations = 0;
        locks = 0;
        watching = true;
    }
    ~Window() { watching = false; }
};

void* volatile sink;

TEST(Realtime, TheCountersSeeAllocationsAndLocks) {
    ASSERT_TRUE(hooked);
    {
        Window w;
        sink = ::operator new(32);
        ::operator delete(sink);
        sink = std::malloc(16);
        std::free(sink);
#if defined(TORV_COUNTS_LOCKS)
        std::mutex m;
        m.lock();
        m.unlock();
#endif
    }
#if defined(TORV_SANITIZED_ALLOCATOR)
    EXPECT_GE(allocations.load(), 4); // malloc is seen too
#else
    EXPECT_GE(allocations.load(), 2);
#endif
#if defined(TORV_COUNTS_LOCKS)
    EXPECT_EQ(locks.load(), 1);
#endif
}

TEST(Realtime, ProcessingAllocatesNothingAndTakesNoLock) {
    HighpassGraph graph;
    graph.setClock(44100);
    graph.setCutoff(1000);
    const auto x = IntegerNoise(5).block(512, 1 << 29);
    const int32_t lengths[] = {512, 1, 100, 511};
    long seenAllocations = 0, seenLocks = 0;
    for (int round = 0; round < 40; ++round) {
        // Commands between blocks, as the user interface sends them: outside the window.
        graph.setOn(round % 4 != 1);
        graph.setCutoff(100 + 250 * round);
        VX_cmd("%o -a %s", graph.bandpass, round % 8 < 4 ? "integer" : "floating");
        Window w;
        for (int block = 0; block < 50; ++block) {
            std::copy(x.begin(), x.end(), graph.input->main);
            graph.runBlock(lengths[block % 4]);
        }
        seenAllocations += allocations.load();
        seenLocks += locks.load();
    }
    EXPECT_EQ(seenAllocations, 0);
    EXPECT_EQ(seenLocks, 0);
    VX_Soundpipe::current = nullptr;
}

} // namespace
