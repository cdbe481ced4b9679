// Multi-tap delay line with feedback. The input goes into a ring of 65536 samples; each group
// sums its taps (a delay and an amplitude each), sends the sum times its gain to its own output
// and feeds the sum times its feedback factor back into the ring with the input.
//
// Before every block the groups and taps are compiled into a flat program that the tap-network
// kernel runs: per group the tap pairs [delay, amplitude], then [-1, gain, address just past
// the group's output (0 without one), feedback]. Output addresses change from block to block
// (the crossfade may hand out the other array), so the program is rebuilt every time.
#pragma once

#include "VX/Nodes/VX_Effect_Deline_Group.h"
#include "VX/VX_Effect.h"

#include <memory>

class VX_Effect_Deline : public VX_Effect {
public:
    static constexpr int32_t ringSize = 65536;
    static constexpr int32_t programSize = 16384;
    static constexpr int32_t maxDelay = 65534; // a delay word reads d + 1 samples back
    static constexpr int32_t groupWords = 4;
    static constexpr int32_t tapWords = 2;

    VX_Effect_Deline();
    ~VX_Effect_Deline() override;

    VX_Buffer* input = nullptr;
    VX_Chain groups; // VX_Effect_Deline_Group, in creation order
    VX_Effect_Deline_Group* currentGroup = nullptr;
    std::unique_ptr<int32_t[]> ring;
    int32_t ringPosition = 0; // moves backwards by one per sample
    std::unique_ptr<intptr_t[]> program;
    int32_t programLength = 0; // words the groups and taps take

    void process() override; // [audio thread]
    void prepare() override; // compiles the program [audio thread]
    void clockChanged() override { prepared = false; }
    void reset() override; // [audio thread]

    // A new group at the end of the chain, made current; null once the program is full.
    VX_Effect_Deline_Group* addGroup();
    // A new tap at the end of the current group, made its current tap; null without a current
    // group or once the program is full.
    VX_Effect_Deline_Group_Delay* addTap();
    // The delay word of a tap's time at a clock, within 0 .. maxDelay.
    static int32_t delayWord(const VX_Effect_Deline_Group_Delay::Time& time, int32_t clock);
    bool has(const VX_Effect_Deline_Group* group);

private:
    int32_t compiledLength = 0; // words the last compilation wrote
    int32_t outputsLength = -1; // the shortest group output, -1 without any
};

extern const VX_Option_Entry VX_Effect_Deline_options[];
