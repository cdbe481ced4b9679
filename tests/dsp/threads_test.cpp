// Parameters changed on one thread while another runs the graph, as hosts do (automation or the
// editor on one thread, processing on another): the words the nodes share are atomics, so that
// ThreadSanitizer finds no race, and each node's coefficients are published as one set, so that
// a block never runs with part of an old set and part of a new one.
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <random>
#include <thread>
#include <vector>

namespace {

// Runs `block` over and over on this thread while each of `writers` runs on a thread of its
// own, from the end of the first block on (so that the two always overlap, however the shared
// cores are handed out): at least `minimumBlocks` times and until every writer has ended.
template <typename Block>
size_t whileWriting(std::vector<std::function<void()>> writers, size_t minimumBlocks,
                    Block&& block) {
    std::atomic<bool> started{false};
    std::atomic<size_t> running{writers.size()};
    std::vector<std::thread> threads;
    for (auto& w : writers)
        threads.emplace_back([&started, &running, w] {
            while (!started.load()) std::this_thread::yield();
            w();
            running.fetch_sub(1);
        });
    size_t blocks = 0;
    do {
        block(blocks);
        ++blocks;
        started.store(true);
    } while (running.load() > 0 || blocks < minimumBlocks);
    for (std::thread& t : threads) t.join();
    return blocks;
}

// The graph, settled in a known state and cleared, gives the same output as a fresh one in that
// state: the last change written is the one in force.
void expectInForceAsFresh(HighpassGraph& graph) {
    HighpassGraph fresh;
    const std::vector<int32_t> silence(1024, 0);
    const auto noise = IntegerNoise(31).block(4096, 1 << 30);
    for (HighpassGraph* g : {&graph, &fresh}) {
        g->setClock(48000);
        g->setCutoff(1234.0);
        g->setOn(true);
        VX_cmd("%o -a integer", g->bandpass);
        g->run(silence); // any fade ends
        g->clear();
    }
    EXPECT_EQ(graph.run(noise), fresh.run(noise));
}

TEST(GraphThreads, RandomParametersWhileAnotherThreadProcesses) {
    HighpassGraph graph;
    graph.setClock(44100);
    graph.setCutoff(239.47897);
    const auto x = IntegerNoise(7).block(512, 1 << 30);
    std::vector<int32_t> y(512);
    const auto writer = [&graph] {
        std::mt19937 random(2024);
        const int32_t rates[] = {8000, 22050, 44100, 48000, 96000, 192000};
        for (int i = 0; i < 3000; ++i) {
            const uint32_t r = random();
            switch (r % 8) {
            case 0:
                graph.setOn((r >> 3) & 1);
                break;
            case 1:
                graph.setClock(rates[(r >> 3) % 6]);
                break;
            case 2:
                VX_cmd("%o -a %s", graph.bandpass, (r >> 3) & 1 ? "floating" : "integer");
                break;
            default:
                graph.setCutoff(20.0 + (r >> 3) % 9980);
                break;
            }
        }
    };
    whileWriting({writer}, 200, [&](size_t b) { graph.run(x.data(), y.data(), 1 + b % 512); });
    expectInForceAsFresh(graph);
    VX_Soundpipe::current = nullptr;
}

// Cutoff and clock changed on two threads at once: whichever writes last computes from both new
// values, so the coefficients in force are those of the final cutoff and clock.
TEST(GraphThreads, TwoThreadsChangingCutoffAndClockLeaveTheCoefficientsOfBoth) {
    HighpassGraph graph;
    graph.setClock(44100);
    graph.setCutoff(500.0);
    const auto x = IntegerNoise(8).block(64, 1 << 29);
    std::vector<int32_t> y(64);
    const auto cutoffs = [&graph] {
        for (int i = 0; i < 1000; ++i) graph.setCutoff(100.0 + 7 * i);
        graph.setCutoff(1000.0);
    };
    const auto clocks = [&graph] {
        for (int i = 0; i < 1000; ++i) graph.setClock(i % 2 ? 48000 : 96000);
        graph.setClock(44100);
    };
    whileWriting({cutoffs, clocks}, 100, [&](size_t) { graph.run(x.data(), y.data(), 64); });

    EXPECT_EQ(graph.highpass->coefficient.read(), VX_Effect_Onepole::coefficientFor(1000, 44100));
    VX_Effect_Bapass::Coefficients want;
    ASSERT_TRUE(VX_Effect_Bapass::coefficientsFor(1000.0f, 0.618f, 44100, want));
    const VX_Effect_Bapass::Coefficients got = graph.bandpass->coefficients.read();
    EXPECT_EQ(got.c0, want.c0);
    EXPECT_EQ(got.c1, want.c1);
    EXPECT_EQ(got.c2, want.c2);
    EXPECT_EQ(got.k0, want.k0);
    EXPECT_EQ(got.k1, want.k1);
    EXPECT_EQ(got.k2, want.k2);
    VX_Soundpipe::current = nullptr;
}

// A band-pass whose centre another thread flips between two frequencies: every block it puts
// out equals, bit for bit, the block that the whole old set or the whole new set computes from
// the same state. Blocks of 16 samples give thousands of chances to catch a set half written.
TEST(GraphThreads, EveryBlockRunsWithTheOldOrTheNewCoefficientSet) {
    constexpr int32_t n = 16;
    constexpr int fA = 700, fB = 3100, fs = 44100;
    for (const char* arithmetic : {"integer", "floating"}) {
        SCOPED_TRACE(arithmetic);
        VX_Soundpipe* sp = nullptr;
        VX_Buffer *in = nullptr, *out = nullptr;
        VX_Effect_Bapass* bp = nullptr;
        VX_cmd("VX_Soundpipe -bl %i", &sp, n);
        VX_cmd("VX_Buffer", &in);
        VX_cmd("VX_Buffer", &out);
        VX_cmd("VX_Effect_Bapass -i %o -o %o -q .618 -f %i -clock %i -a %s",
               &bp,
               in,
               out,
               fA,
               fs,
               arithmetic);
        VX_cmd("VX_Soundpipe %o -e", sp, nullptr);
        // The references, outside any soundpipe: each holds one of the two sets for good.
        struct Reference {
            VX_Buffer* in = nullptr;
            VX_Buffer* out = nullptr;
            VX_Effect_Bapass* node = nullptr;
        } refs[2];
        for (int k = 0; k < 2; ++k) {
            VX_cmd("VX_Buffer -l %i", &refs[k].in, n);
            VX_cmd("VX_Buffer -l %i", &refs[k].out, n);
            VX_cmd("VX_Effect_Bapass -i %o -o %o -q .618 -f %i -clock %i -a %s",
                   &refs[k].node,
                   refs[k].in,
                   refs[k].out,
                   k == 0 ? fA : fB,
                   fs,
                   arithmetic);
        }
        ASSERT_NE(refs[0].node->coefficients.read().c0, refs[1].node->coefficients.read().c0);

        IntegerNoise noise(99);
        size_t matches[2] = {0, 0}, mixtures = 0;
        std::atomic<bool> stop{false};
        const auto flipper = [bp, &stop] {
            for (int i = 0; !stop.load(); ++i) VX_cmd("%o -f %i", bp, i % 2 ? fA : fB);
        };
        whileWriting({flipper}, 0, [&](size_t blocks) {
            const auto x = noise.block(n, 1 << 28);
            std::copy(x.begin(), x.end(), in->main);
            for (Reference& r : refs) {
                std::copy(x.begin(), x.end(), r.in->main);
                r.node->state = bp->state;
                r.node->fx1 = bp->fx1, r.node->fx2 = bp->fx2, r.node->fy1 = bp->fy1;
                r.node->fy2 = bp->fy2;
                r.node->process();
            }
            sp->process();
            bool matched = false;
            for (int k = 0; k < 2; ++k)
                if (std::equal(out->main, out->main + n, refs[k].out->main)) {
                    ++matches[k];
                    matched = true;
                }
            mixtures += !matched;
            // Flipping goes on until both sets have run many blocks each (or for a long while).
            if ((matches[0] >= 1000 && matches[1] >= 1000) || blocks >= 400000) stop = true;
        });
        EXPECT_EQ(mixtures, 0u);
        // Both sets were in force at some time, or the check proved nothing.
        EXPECT_GT(matches[0], 0u);
        EXPECT_GT(matches[1], 0u);

        for (Reference& r : refs)
            for (VX_Object* o : std::initializer_list<VX_Object*>{r.node, r.out, r.in})
                VX_cmd("%o -delete", o);
        for (VX_Object* o : std::initializer_list<VX_Object*>{bp, out, in, sp})
            VX_cmd("%o -delete", o);
    }
    VX_Soundpipe::current = nullptr;
}

} // namespace
