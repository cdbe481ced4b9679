#include "render.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

BlockSchedule BlockSchedule::fixed(int32_t size) {
    BlockSchedule s;
    s.largest_ = size;
    return s;
}

BlockSchedule BlockSchedule::random(int32_t largest, uint64_t seed) {
    BlockSchedule s;
    s.largest_ = largest;
    s.random_ = true;
    s.state_ = seed;
    return s;
}

int32_t BlockSchedule::next() {
    if (!random_) return largest_;
    // splitmix64, so that a seed gives the same sizes on every platform.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<int32_t>(z % static_cast<uint64_t>(largest_)) + 1;
}

void Fnv1a::add(const float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &samples[i], 4);
        for (int b = 0; b < 32; b += 8) {
            hash_ ^= (bits >> b) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
}

std::string Fnv1a::hex() const {
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash_));
    return text;
}

EffectRunner::EffectRunner(Plugin& plugin, BlockSchedule schedule)
    : plugin_(plugin), schedule_(schedule) {
    const AEffect* e = plugin.effect();
    const size_t block = static_cast<size_t>(schedule.largest());
    inputs_.assign(static_cast<size_t>(std::max(e->numInputs, 1)), std::vector<float>(block));
    outputs_.assign(static_cast<size_t>(e->numOutputs), std::vector<float>(block));
    for (auto& v : inputs_) inputPointers_.push_back(v.data());
    for (auto& v : outputs_) outputPointers_.push_back(v.data());
}

void EffectRunner::run(const float* input, float* left, float* right, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t n = std::min(static_cast<size_t>(schedule_.next()), frames - done);
        std::copy(input + done, input + done + n, inputs_[0].begin());
        plugin_.processReplacing(
            inputPointers_.data(), outputPointers_.data(), static_cast<VstInt32>(n));
        const std::vector<float>& second = outputs_.size() > 1 ? outputs_[1] : outputs_[0];
        std::copy(outputs_[0].begin(), outputs_[0].begin() + n, left + done);
        if (right) std::copy(second.begin(), second.begin() + n, right + done);
        done += n;
    }
}
