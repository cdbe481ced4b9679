// Running audio through an effect the way a host does: in blocks of fixed or random size, with
// the input on the first input channel and silence on any others.
#pragma once

#include "plugin_host.h"

#include <cstdint>
#include <string>
#include <vector>

// Block sizes as a host picks them: always the same, or random from 1 to a maximum.
class BlockSchedule {
public:
    static BlockSchedule fixed(int32_t size);
    static BlockSchedule random(int32_t largest, uint64_t seed);

    int32_t next();
    // The largest block the schedule gives: what effSetBlockSize announces.
    int32_t largest() const { return largest_; }
    bool isRandom() const { return random_; }

private:
    int32_t largest_ = 512;
    bool random_ = false;
    uint64_t state_ = 0;
};

// FNV-1a (64-bit) over the little-endian bytes of float samples: equal sums mean equal bits.
class Fnv1a {
public:
    void add(const float* samples, size_t count);
    uint64_t value() const { return hash_; }
    std::string hex() const;

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

// Feeds a resumed effect block by block and collects its first two outputs (the first twice
// when the effect has only one).
class EffectRunner {
public:
    EffectRunner(Plugin& plugin, BlockSchedule schedule);

    // Processes `frames` samples, continuing the stream. [audio thread]
    void run(const float* input, float* left, float* right, size_t frames);

private:
    Plugin& plugin_;
    BlockSchedule schedule_;
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> inputPointers_, outputPointers_;
};
