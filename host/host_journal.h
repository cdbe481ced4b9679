// A record of everything the host did with its effects and the device's blocks, kept only when
// asked for (tests, and the measurements of scripts/run): which effect was created, given a
// sample rate or closed, when a stream started, and per processed block which routes ran on
// which input. Replayed offline through the plug-in module, it tells exactly what the device
// output must hold.
//
// Entries are runs of 32-bit words: a head word (kind in the low byte, number of words that
// follow in the next 16 bits), then the entry's words. Entries are written only while the host
// lock is held (or, at shutdown, after the stream has stopped), so there is one writer at a
// time; the number of words is published for a reader on another thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class HostJournal {
public:
    enum Kind : uint32_t {
        // stream block, first 8 bytes of the input (2 words), then (serial, input) per route
        block = 1,
        stream = 2,  // driver index, mode index, frames: block numbers start again at 0
        created = 3, // serial
        rate = 4,    // serial, the rate as the float's bits
        closed = 5,  // serial
        failed = 6,  // the stream just started could not be opened
    };

    // Keeps at most `words` words from now on; 0 turns the journal off.
    void enable(size_t words);
    bool enabled() const { return capacity != 0; }

    // Appends an entry of `count` words; an entry that does not fit marks the journal as full
    // and is dropped with everything after it.
    void add(Kind kind, const uint32_t* words, uint32_t count);

    // The words written so far. [any thread]
    const uint32_t* data() const { return words.get(); }
    size_t size() const { return used.load(std::memory_order_acquire); }
    bool overflowed() const { return full.load(); }

private:
    std::unique_ptr<uint32_t[]> words;
    size_t capacity = 0;
    std::atomic<size_t> used{0};
    std::atomic<bool> full{false};
};
