// The effect's chain in its fused form against the same chain run node by node: the kernel
// alone over values that saturate, and whole graphs over random block lengths, cutoff and
// clock changes and on/off crossfades. Every output sample and every word of state must agree;
// the node-by-node run is the reference.
#include "VX/Kernels/VX_kern_highpass3_loops.h"
#include "VX/Kernels/VX_kernels.h"
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace {

class Fusion : public testing::Test {
protected:
    void TearDown() override { VX_Soundpipe::current = nullptr; }
};

using TwopoleState = VX_Kern_Twopole_State;

// Inputs that reach every saturation: full-scale 32-bit edges, noise over the whole range,
// noise at the graph's own level, and silence after them.
std::vector<int32_t> harshInput(size_t n, uint32_t seed) {
    IntegerNoise noise(seed);
    std::vector<int32_t> x(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t part = i * 4 / n;
        if (part == 0)
            x[i] = (i / 7) % 2 ? INT32_MAX : INT32_MIN;
        else if (part == 1)
            x[i] = static_cast<int32_t>(noise.nextBits());
        else if (part == 2)
            x[i] = noise.next(1 << 30);
        else
            x[i] = 0;
    }
    return x;
}

struct Set {
    uint32_t a;
    int32_t c0, c1, c2;
};

TEST_F(Fusion, KernelGivesTheBitsOfTheSeparateKernelsAlsoWhereTheySaturate) {
    // Coefficients of low and high cutoffs, and the ends of their ranges.
    const Set sets[] = {
        {13493037u, 1073741000, 2147000000, 1000000},
        {1500000000u, 2147483647, 2147483647, 900000000},
        {4294967295u, INT32_MAX, INT32_MIN, INT32_MAX},
        {1u, INT32_MIN, INT32_MAX, INT32_MIN},
        {7u, INT32_MIN + 1, INT32_MIN + 1, -5}, // the largest constants the folded loop takes
    };
    for (const Set& s : sets) {
        SCOPED_TRACE(s.a);
        const std::vector<int32_t> x = harshInput(4096, s.a);
        int32_t onepoleA = 0x40000000, onepoleB = onepoleA;
        TwopoleState a{5, -5, INT32_MAX, INT32_MIN}, b = a;
        std::vector<int32_t> expected(x.size()), got(x.size()), copy(x.size());
        bool direct = false; // every other block through the loop the record chose
        for (size_t at = 0, n = 1; at < x.size(); at += n, n = n * 3 % 509 + 1, direct = !direct) {
            n = std::min(n, x.size() - at);
            const int m = static_cast<int>(n);
            VX_kern_hipass1(&x[at], &expected[at], m, s.a, &onepoleA);
            VX_kern_bapass[VX_MODE_SUB](
                &x[at], &expected[at], m, s.c0, s.c1, s.c2, &a.x1, &a.x2, &a.y1, &a.y2);
            VX_Kern_Highpass3_Args k;
            VX_kern_highpass3_coefficients(k, s.a, s.c0, s.c1, s.c2);
            k.onepole = &onepoleB;
            k.section = &b;
            if (direct)
                k.loop(&x[at], &got[at], &copy[at], m, k);
            else
                VX_kern_highpass3(&x[at], &got[at], &copy[at], m, k);
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(copy, expected);
        EXPECT_EQ(onepoleB, onepoleA);
        EXPECT_EQ(std::vector<int32_t>({b.x1, b.x2, b.y1, b.y2}),
                  std::vector<int32_t>({a.x1, a.x2, a.y1, a.y2}));
    }
}

#if defined(VX_KERN_HIGHPASS3_WIDE)
// The wide loop kept from block to block, as the fusion keeps it: stretches it runs whole,
// stretches it hands back to the checked loop because a sample saturates (at every place in a
// stretch, and in blocks of every length around its multiples of eight), and the quiet
// samples after which it takes them on again.
TEST_F(Fusion, WideLoopGivesTheBitsOfTheSeparateKernelsAcrossStretchesAndSaturations) {
    if (!VX_kern_highpass3_wide_available()) GTEST_SKIP() << "the processor has no AVX2";
    // The effect's own coefficients, from the lowest cutoff to the highest, where a >= 2^31
    // (run on noise, they saturate only in the bursts, and the highest not even there), and
    // the ends of the folded ranges, where the recursions run away and saturate all along.
    std::vector<std::pair<Set, bool>> sets;
    for (const auto& [rate, hz] : {std::pair{192000, 20.0}, {44100, 1000.0}, {22050, 10000.0}}) {
        HighpassGraph g;
        g.setClock(rate);
        g.setCutoff(hz);
        const auto& set = g.bandpass->takeBlockSet();
        sets.push_back({{g.highpass->takeBlockCoefficient(), set.c0, set.c1, set.c2}, true});
    }
    ASSERT_GE(sets.back().first.a, 0x80000000u);
    sets.push_back({{4294967295u, INT32_MAX, INT32_MIN + 1, INT32_MAX}, false});
    sets.push_back({{7u, INT32_MIN + 1, INT32_MIN + 1, -5}, false});
    const int lengths[] = {15,  16,  17,  23,  24,  31,  32,  33,  39,  40,   64,  127,
                           128, 129, 136, 143, 144, 255, 256, 300, 512, 1000, 4096};
    size_t handedBackInAll = 0;
    for (const auto& [s, stable] : sets) {
        SCOPED_TRACE(s.a);
        // Noise well within range, with a full-scale burst every 5000-odd samples.
        IntegerNoise noise(s.a);
        std::vector<int32_t> x = noise.block(200000, 1 << 28);
        for (size_t at = 3000, j = 0; at + 3 < x.size(); at += 5000 + 37 * j++) {
            x[at] = INT32_MAX;
            x[at + 1] = INT32_MIN;
            x[at + 2] = INT32_MAX;
        }
        int32_t onepoleA = -12345, onepoleB = onepoleA;
        TwopoleState a{5, -5, 1 << 27, -(1 << 27)}, b = a;
        VX_Kern_Highpass3_Args k;
        VX_kern_highpass3_coefficients(k, s.a, s.c0, s.c1, s.c2);
        ASSERT_EQ(k.loop, &VX_kern_highpass3_wide);
        k.onepole = &onepoleB;
        k.section = &b;
        std::vector<int32_t> expected(x.size()), got(x.size()), copy(x.size());
        size_t wholeBlocks = 0, handedBack = 0;
        for (size_t at = 0, j = 0; at < x.size(); at += lengths[j++ % std::size(lengths)]) {
            const int m =
                static_cast<int>(std::min<size_t>(lengths[j % std::size(lengths)], x.size() - at));
            VX_kern_hipass1(&x[at], &expected[at], m, s.a, &onepoleA);
            VX_kern_bapass[VX_MODE_SUB](
                &x[at], &expected[at], m, s.c0, s.c1, s.c2, &a.x1, &a.x2, &a.y1, &a.y2);
            const bool quiet = k.checkedFor == 0;
            k.loop(&x[at], &got[at], &copy[at], m, k);
            wholeBlocks += quiet && k.checkedFor == 0 && m >= VX_kern_highpass3_wide_shortest;
            handedBack += k.checkedFor == VX_kern_highpass3_wide_quiet_after;
            ASSERT_EQ(onepoleB, onepoleA) << "block at " << at;
            ASSERT_EQ(std::vector<int32_t>({b.x1, b.x2, b.y1, b.y2}),
                      std::vector<int32_t>({a.x1, a.x2, a.y1, a.y2}))
                << "block at " << at;
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(copy, expected);
        if (stable) EXPECT_GT(wholeBlocks, 200u);
        handedBackInAll += handedBack;
    }
    EXPECT_GT(handedBackInAll, 80u);
}

// Each range the wide loop tests, at its very edge, in the last sample of a stretch, where no
// later sample that saturates would hand the stretch back anyway. With a = 0 and c = 0 the
// one-pole's state stays where it is and the section extrapolates its last two outputs.
void expectEveryEdgeHandedBack(int n) {
    const int32_t top = INT32_MAX - n * (1 << 20) + 1; // y rises by 2^20 a sample to 2^31
    struct Edge {
        const char* what;
        int32_t onepole, lastInput;
        TwopoleState section;
    };
    // Each edge alone: h, y and h - y stay within 32 bits but the one named.
    constexpr int32_t q = 1 << 30;
    const Edge edges[] = {
        {"y = 2^31", 0, 0, {0, 0, top, top - (1 << 20)}},
        {"y = -2^31 - 1", q, 0, {0, 0, -top - 1, -top - 1 + (1 << 20)}},
        {"h = 2^31", -q, q, {0, 0, q, q}},
        {"h = -2^31 - 1", 1, INT32_MIN, {0, 0, -q, -q}},
        {"h - y = 2^31", -q, 1, {0, 0, -q + 1, -q + 1}},
        {"h - y = -2^31 - 1", q, -1, {0, 0, q, q}},
    };
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.what);
        std::vector<int32_t> x(n, 0), expected(n), got(n), copy(n);
        x[n - 1] = e.lastInput;
        int32_t onepoleA = e.onepole, onepoleB = e.onepole;
        TwopoleState a = e.section, b = e.section;
        VX_kern_hipass1(x.data(), expected.data(), n, 0, &onepoleA);
        VX_kern_bapass[VX_MODE_SUB](
            x.data(), expected.data(), n, 0, 0, 0, &a.x1, &a.x2, &a.y1, &a.y2);
        VX_Kern_Highpass3_Args k;
        VX_kern_highpass3_coefficients(k, 0, 0, 0, 0);
        k.onepole = &onepoleB;
        k.section = &b;
        VX_kern_highpass3_wide(x.data(), got.data(), copy.data(), n, k);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(copy, expected);
        EXPECT_EQ(std::vector<int32_t>({onepoleB, b.x1, b.x2, b.y1, b.y2}),
                  std::vector<int32_t>({onepoleA, a.x1, a.x2, a.y1, a.y2}));
        EXPECT_EQ(k.checkedFor, VX_kern_highpass3_wide_quiet_after) << "not handed back";
    }
}

TEST_F(Fusion, WideLoopHandsBackAStretchWhoseLastSampleJustSaturates) {
    if (!VX_kern_highpass3_wide_available()) GTEST_SKIP() << "the processor has no AVX2";
    // The shortest block, blocks of one stretch, and blocks of several, one with samples
    // before its first stretch.
    for (const int n : {16, 32, 128, 136, 141}) {
        SCOPED_TRACE(n);
        expectEveryEdgeHandedBack(n);
    }
}
#endif

// The signal state of a graph: the one-pole's, the section's and the work buffer.
std::vector<int32_t> stateOf(const HighpassGraph& g) {
    std::vector<int32_t> s = {g.highpass->state,
                              g.bandpass->state.x1,
                              g.bandpass->state.x2,
                              g.bandpass->state.y1,
                              g.bandpass->state.y2};
    s.insert(s.end(), g.work->main, g.work->main + g.work->count);
    return s;
}

TEST_F(Fusion, GraphGivesTheBitsOfTheNodesOverRandomBlocksChangesAndCrossfades) {
    HighpassGraph fused, reference;
    ASSERT_TRUE(fused.soundpipe && reference.soundpipe);
    reference.soundpipe->setFused(false);
    IntegerNoise dice(2024);
    const std::vector<int32_t> x = harshInput(1 << 17, 77);
    bool on = true;
    size_t blocks = 0, crossfades = 0;
    for (size_t at = 0; at < x.size(); ++blocks) {
        const uint32_t roll = dice.nextBits();
        if (roll % 11 == 0) {
            on = !on;
            fused.setOn(on);
            reference.setOn(on);
            ++crossfades;
        }
        if (roll % 7 == 0) {
            const double hz = 20.0 + (dice.nextBits() % 9980);
            fused.setCutoff(hz);
            reference.setCutoff(hz);
        }
        if (roll % 97 == 0 || blocks == 0) {
            const int32_t rates[] = {22050, 44100, 48000, 96000, 192000};
            const int32_t rate = rates[dice.nextBits() % 5];
            fused.setClock(rate);
            reference.setClock(rate);
        }
        // Mostly short blocks, now and then a whole one and one longer than the buffers hold.
        const size_t n = std::min<size_t>(x.size() - at, roll % 5 == 0 ? 700 : 1 + roll % 96);
        const std::vector<int32_t> in(x.begin() + at, x.begin() + at + n);
        ASSERT_EQ(fused.run(in), reference.run(in)) << "block " << blocks << " at " << at;
        ASSERT_EQ(stateOf(fused), stateOf(reference)) << "block " << blocks;
        at += n;
    }
    EXPECT_GT(crossfades, 50u);
}

TEST_F(Fusion, HostBlocksFollowBuffersGivenNewStorageBetweenThem) {
    // The chunk length is kept from block to block: a buffer shortened in between must cut the
    // next blocks into chunks it holds (AddressSanitizer sees any write past it).
    HighpassGraph fused(64), reference(64);
    reference.soundpipe->setFused(false);
    IntegerNoise dice(7);
    std::vector<float> in(300);
    for (float& x : in)
        x = static_cast<float>(static_cast<int32_t>(dice.nextBits())) / 2147483648.0f;
    std::vector<float> left[2], right[2];
    for (auto* v : {left, right})
        for (int k = 0; k < 2; ++k) v[k].assign(in.size(), 0.0f);
    int k = 0;
    for (HighpassGraph* g : {&fused, &reference}) {
        g->setClock(48000);
        g->setCutoff(1000.0);
        g->runHost(in.data(), left[k].data(), right[k].data(), 100);
        VX_cmd("%o -l 16", g->output);
        g->runHost(in.data() + 100, left[k].data() + 100, right[k].data() + 100, 100);
        VX_cmd("%o -l 16", g->input);
        VX_cmd("%o -l 16", g->work);
        g->runHost(in.data() + 200, left[k].data() + 200, right[k].data() + 200, 100);
        ++k;
    }
    EXPECT_EQ(left[0], left[1]);
    EXPECT_EQ(right[0], left[0]);
    EXPECT_NE(left[0][299], 0.0f);
}

TEST_F(Fusion, BlocksTakeCoefficientsPublishedBeforeTheCommandCounts) {
    // A command publishes a filter's coefficients first and counts as a change of settings
    // after: a block in between runs with the new set, as the nodes do.
    HighpassGraph fused(64), reference(64);
    reference.soundpipe->setFused(false);
    const std::vector<int32_t> x = harshInput(64 * 40, 5);
    for (HighpassGraph* g : {&fused, &reference}) {
        g->setClock(48000);
        g->setCutoff(1000.0);
    }
    for (int block = 0; block < 40; ++block) {
        if (block % 4 == 3) {
            for (HighpassGraph* g : {&fused, &reference}) {
                g->highpass->frequency = 300 + 97 * block;
                g->highpass->updateCoefficient();
                g->bandpass->frequency = static_cast<float>(300 + 97 * block);
                g->bandpass->updateCoefficients();
            }
        }
        const std::vector<int32_t> in(x.begin() + block * 64, x.begin() + (block + 1) * 64);
        ASSERT_EQ(fused.run(in), reference.run(in)) << "block " << block;
    }
}

TEST_F(Fusion, RunsOnlyTheChainItKnowsInTheBlocksItCanTake) {
    HighpassGraph g(64);
    g.setClock(48000);
    g.setCutoff(1000.0);
    g.soundpipe->setFused(false); // the test runs the fusion itself
    VX_Node_Fusion fusion;
    g.soundpipe->blockLength = 64;
    g.soundpipe->process(); // prepares every node
    EXPECT_TRUE(fusion.run(g.soundpipe->nodes));

    g.setOn(false); // the next block crossfades
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    g.soundpipe->process();
    EXPECT_TRUE(fusion.run(g.soundpipe->nodes)) << "both filters off is a plain copy";
    g.setOn(true);
    g.soundpipe->process();

    VX_cmd("%o -mode add", g.bandpass);
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    VX_cmd("%o -mode sub -a floating", g.bandpass);
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    VX_cmd("%o -a integer", g.bandpass);
    VX_cmd("%o -os 2", g.outputCopy);
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    VX_cmd("%o -os 1", g.outputCopy);
    EXPECT_TRUE(fusion.run(g.soundpipe->nodes));

    // New storage: fused again only once all three buffers have one length.
    VX_cmd("%o -l 32", g.work);
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    VX_cmd("%o -l 32", g.input);
    VX_cmd("%o -l 32", g.output);
    std::fill(g.input->main, g.input->main + 32, 1 << 30);
    EXPECT_TRUE(fusion.run(g.soundpipe->nodes));
    EXPECT_NE(g.output->main[31], 0);

    // One more node in the chain: another graph, run node by node.
    VX_cmd("VX_Soundpipe %o -b", g.soundpipe, nullptr);
    VX_Effect* extra = nullptr;
    VX_cmd("VX_Effect_Copy -i %o -o %o", &extra, g.output, g.output);
    VX_cmd("VX_Soundpipe %o -e", g.soundpipe, nullptr);
    EXPECT_FALSE(fusion.run(g.soundpipe->nodes));
    VX_cmd("%o -delete", extra);
    EXPECT_TRUE(fusion.run(g.soundpipe->nodes));
}

} // namespace
