// Words that one thread writes while another reads them: a node's frequency, coefficients and
// on/off request, set from the host's user-interface or automation thread and read by the audio
// thread once per block.
//
// VX_Shared<T> is one such word: a relaxed atomic of exactly the plain word's size and
// alignment, so that the objects keep their layout at both pointer sizes. VX_Published<T> is a
// set of words that belong together (the coefficients of a filter): readers see either the whole
// old set or the whole new one, never a mixture. Neither locks, allocates or waits on the
// reading side.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <type_traits>

template <typename T> class VX_Shared {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(std::atomic<T>::is_always_lock_free, "a shared word needs no lock");
    static_assert(sizeof(std::atomic<T>) == sizeof(T) && alignof(std::atomic<T>) == alignof(T),
                  "a shared word has the plain word's size and alignment");

public:
    constexpr explicit VX_Shared(T value = T()) noexcept : word(value) {}
    VX_Shared(const VX_Shared&) = delete;
    VX_Shared& operator=(const VX_Shared&) = delete;

    T load() const noexcept { return word.load(std::memory_order_relaxed); }
    void store(T value) noexcept { word.store(value, std::memory_order_relaxed); }
    operator T() const noexcept { return load(); }
    VX_Shared& operator=(T value) noexcept {
        store(value);
        return *this;
    }
    // Stores `value` only if the word still holds `expected`: false when another write came in
    // between, which then stands.
    bool replace(T expected, T value) noexcept {
        return word.compare_exchange_strong(expected, value, std::memory_order_relaxed);
    }

private:
    std::atomic<T> word;
};

// The words the framework shares, at both pointer sizes.
static_assert(sizeof(VX_Shared<int32_t>) == 4 && alignof(VX_Shared<int32_t>) == 4);
static_assert(sizeof(VX_Shared<uint32_t>) == 4 && alignof(VX_Shared<uint32_t>) == 4);
static_assert(sizeof(VX_Shared<float>) == 4 && alignof(VX_Shared<float>) == 4);
static_assert(sizeof(VX_Shared<bool>) == 1);
static_assert(sizeof(VX_Shared<double>) == 8 && alignof(VX_Shared<double>) == alignof(double));

// The sequence count of a published set, whatever its words: a reader that keeps the count it
// took its set at tells an unchanged set by one load.
class VX_Publication {
public:
    // The count of the newest set, odd while a write is under way. [any thread, without waiting]
    uint32_t count() const noexcept { return sequence.load(std::memory_order_acquire); }

protected:
    VX_Publication() noexcept = default;
    std::atomic<uint32_t> sequence{0};
};

// A set of words published as a whole, by a sequence count: a writer makes the count odd, writes
// the words and makes it even again; a reader copies the words between two readings of the count
// and takes the copy only when both readings are the same even number. Writers on several
// threads take turns on the count. A reader never waits: while a write is under way it keeps
// the set it had, which is the old one.
template <typename T> class VX_Published : public VX_Publication {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % 4 == 0);
    static constexpr size_t wordCount = sizeof(T) / 4;

public:
    VX_Published() noexcept {
        const T zero{};
        store(zero);
    }
    VX_Published(const VX_Published&) = delete;
    VX_Published& operator=(const VX_Published&) = delete;

    // Writes a new set made by change(set), which receives the current one. Writers wait for each
    // other, so that each change starts from the set the previous one left. [any thread]
    template <typename F> void update(F&& change) {
        uint32_t count = sequence.load(std::memory_order_relaxed);
        for (;;) {
            if (!(count & 1) &&
                sequence.compare_exchange_weak(count, count + 1, std::memory_order_acquire))
                break;
            if (count & 1) {
                std::this_thread::yield();
                count = sequence.load(std::memory_order_relaxed);
            }
        }
        std::atomic_thread_fence(std::memory_order_release);
        T set = copy();
        change(set);
        store(set);
        sequence.store(count + 2, std::memory_order_release);
    }

    // Copies the newest whole set into `set`; false, with `set` untouched, while a write is
    // under way. [any thread, without waiting]
    bool tryRead(T& set) const noexcept {
        const uint32_t before = sequence.load(std::memory_order_acquire);
        if (before & 1) return false;
        const T words = copy();
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence.load(std::memory_order_relaxed) != before) return false;
        set = words;
        return true;
    }

    // tryRead for a reader that keeps its copy: `seen` is the count of the set it holds, so an
    // unchanged set costs one load. (The count would have to come round again, 2^31 writes
    // between two reads, for a change to go unseen.) [any thread, without waiting]
    bool refresh(T& set, uint32_t& seen) const noexcept {
        const uint32_t before = sequence.load(std::memory_order_acquire);
        if (before == seen) return true;
        if (before & 1) return false;
        const T words = copy();
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence.load(std::memory_order_relaxed) != before) return false;
        set = words;
        seen = before;
        return true;
    }

    // The newest whole set, waiting for a write under way to end. Not for the audio thread.
    T read() const {
        T set;
        while (!tryRead(set)) std::this_thread::yield();
        return set;
    }

private:
    T copy() const noexcept {
        uint32_t raw[wordCount];
        for (size_t i = 0; i < wordCount; ++i) raw[i] = words[i].load(std::memory_order_relaxed);
        T set;
        std::memcpy(&set, raw, sizeof set);
        return set;
    }
    void store(const T& set) noexcept {
        uint32_t raw[wordCount];
        std::memcpy(raw, &set, sizeof set);
        for (size_t i = 0; i < wordCount; ++i) words[i].store(raw[i], std::memory_order_relaxed);
    }

    std::atomic<uint32_t> words[wordCount];
};
