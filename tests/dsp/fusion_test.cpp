// The effect's chain in its fused form against the same chain run node by node: the kernel
// alone over values that saturate, and whole graphs over random block lengths, cutoff and
// clock changes and on/off crossfades. Every output sample and every word of state must agree;
// the node-by-node run is the reference.
#include "VX/Kernels/VX_kernels.h"
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

TEST_F(Fusion, KernelGivesTheBitsOfTheSeparateKernelsAlsoWhereTheySaturate) {
    // Coefficients of low and high cutoffs, and the ends of their ranges.
    struct Set {
        uint32_t a;
        int32_t c0, c1, c2;
    };
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
