// The delay line: its groups and taps built by options, the compiled program, and the signal
// it makes, checked against the line's difference equation.
#include "nodes/node_fixture.h"

#include <algorithm>

namespace {

using Deline = NodeTest;

int32_t mul31(int32_t a, int32_t c) {
    return static_cast<int32_t>((int64_t{a} * c) >> 31);
}
int32_t mul23(int32_t a, int32_t c) {
    return static_cast<int32_t>((int64_t{a} * c) >> 23);
}

struct TapModel {
    int delay; // the delay word: reads the ring value written delay + 1 samples earlier
    int32_t amplitude;
};
struct GroupModel {
    std::vector<TapModel> taps;
    int32_t gain;
    int32_t feedback;
};

// The difference equation on plain arrays: per group y = gain x sum of the taps, and the ring
// r[k] = x[k] + the feedback of every group. Returns each group's output.
std::vector<std::vector<int32_t>> model(const std::vector<int32_t>& x,
                                        const std::vector<GroupModel>& groups) {
    std::vector<int32_t> r(x.size());
    std::vector<std::vector<int32_t>> y(groups.size(), std::vector<int32_t>(x.size()));
    for (size_t k = 0; k < x.size(); ++k) {
        uint32_t w = static_cast<uint32_t>(x[k]);
        for (size_t g = 0; g < groups.size(); ++g) {
            uint32_t acc = 0;
            for (const TapModel& t : groups[g].taps) {
                const int64_t at = static_cast<int64_t>(k) - t.delay - 1;
                acc += static_cast<uint32_t>(mul31(at >= 0 ? r[at] : 0, t.amplitude));
            }
            y[g][k] = mul23(static_cast<int32_t>(acc), groups[g].gain);
            w += static_cast<uint32_t>(mul23(static_cast<int32_t>(acc), groups[g].feedback));
        }
        r[k] = static_cast<int32_t>(w);
    }
    return y;
}

TEST_F(Deline, CombFiltersFollowTheirDifferenceEquation) {
    VX_Buffer* in = buffer();
    VX_Buffer* shortComb = buffer();
    VX_Buffer* longComb = buffer();
    VX_Buffer* unity = buffer();
    VX_Effect_Deline* line = nullptr;
    VX_Effect_Deline_Group* group = nullptr;
    VX_Effect_Deline_Group_Delay* tap = nullptr;
    VX_cmd("VX_Effect_Deline -i %o -g -go %o -gf %f -d -dt %i -da %f",
           &line,
           in,
           &group,
           shortComb,
           0.5,
           &tap,
           100,
           0.5);
    made.push_back(line);
    ASSERT_NE(group, nullptr);
    ASSERT_NE(tap, nullptr);
    EXPECT_EQ(group->gain, 0x7FFFFF);
    EXPECT_EQ(group->feedback, 4194303);
    EXPECT_EQ(tap->amplitude, 1073741823);
    // A delay longer than a block, with negative feedback and two taps; and the plain delay of
    // one sample (time 0) at unity gain and amplitude.
    VX_cmd("%o -g -go %o -gf %f -ga %f -d -dt %i -da %f -d -dt %i -da %f",
           line,
           nullptr,
           longComb,
           -0.7,
           0.8,
           nullptr,
           700,
           0.6,
           nullptr,
           1500,
           -0.25);
    VX_cmd("%o -g -go %o -ga %i -d -dt %i -da %i", line, nullptr, unity, 1, nullptr, 0, 1);
    EXPECT_EQ(line->programLength, 3 * 4 + 4 * 2);

    const auto x = IntegerNoise(21).block(512 * 10, 1 << 26);
    std::vector<std::vector<int32_t>> y(3);
    for (size_t at = 0; at < x.size(); at += 512) {
        std::copy(x.begin() + at, x.begin() + at + 512, in->main);
        sp->process();
        for (int g = 0; g < 3; ++g) {
            VX_Buffer* out = g == 0 ? shortComb : g == 1 ? longComb : unity;
            y[g].insert(y[g].end(), out->main, out->main + 512);
        }
    }
    // The model takes the line's own groups and taps, in order.
    std::vector<GroupModel> groups;
    line->groups.forEach<VX_Effect_Deline_Group>([&](VX_Effect_Deline_Group* g) {
        groups.push_back({{}, g->gain, g->feedback});
        g->taps.forEach<VX_Effect_Deline_Group_Delay>([&](VX_Effect_Deline_Group_Delay* t) {
            groups.back().taps.push_back({static_cast<int>(t->time.read().value), t->amplitude});
        });
    });
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[1].taps[1].amplitude, -536870911);
    EXPECT_EQ(groups[1].feedback, -5872024);
    const auto expected = model(x, groups);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(y[g], expected[g]) << "group " << g;
}

TEST_F(Deline, TimesCompileToDelayWords) {
    VX_Buffer* in = buffer();
    VX_Effect_Deline* line = nullptr;
    VX_cmd(
        "VX_Effect_Deline -i %o -clock %i -g -d -dt %f", &line, in, 44100, nullptr, nullptr, 0.5);
    made.push_back(line);
    sp->process();
    EXPECT_EQ(line->program[0], 22050); // seconds times the clock
    EXPECT_EQ(line->program[2], -1);
    EXPECT_EQ(line->program[4], 0); // no output

    // A change reaches the program at the next block's compilation, never in the middle of a
    // block that reads it; an integer counts samples.
    VX_cmd("%o -dt %i", line, 300);
    EXPECT_EQ(line->program[0], 22050);
    sp->process();
    EXPECT_EQ(line->program[0], 300);
    // A clock change moves taps given in seconds at the next compilation.
    VX_cmd("%o -dt %f", line, 0.25);
    VX_cmd("VX_Effect %o -clock %i", line, 48000);
    sp->process();
    EXPECT_EQ(line->program[0], 12000);
    // Delays beyond the ring, or below 0 (which would end the group), are held inside.
    VX_cmd("%o -dt %i", line, 70000);
    sp->process();
    EXPECT_EQ(line->program[0], VX_Effect_Deline::maxDelay);
    VX_cmd("%o -dt %f", line, -1.0);
    sp->process();
    EXPECT_EQ(line->program[0], 0);
    float time = 0;
    VX_cmd("%o -dt", line, &time);
    EXPECT_EQ(time, -1.0f);
}

TEST_F(Deline, GroupsWithoutTapsOrOutputs) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    VX_Buffer* echo = buffer();
    VX_Effect_Deline* line = nullptr;
    // A group with no taps, writing "add": it adds 0 and feeds back 0. A group without an
    // output that feeds back, and one that only listens to the ring.
    VX_cmd("VX_Effect_Deline -i %o -mode add -g -go %o", &line, in, nullptr, out);
    made.push_back(line);
    VX_cmd("%o -g -gf %f -d -dt %i -da %i", line, nullptr, 0.5, nullptr, 50, 1);
    VX_cmd("%o -g -go %o -d -dt %i -da %i", line, nullptr, echo, nullptr, 0, 1);

    const auto x = IntegerNoise(22).block(512 * 2, 1 << 26);
    std::vector<int32_t> listened;
    for (size_t at = 0; at < x.size(); at += 512) {
        std::copy(x.begin() + at, x.begin() + at + 512, in->main);
        std::fill(out->main, out->main + 512, 1000);
        std::fill(echo->main, echo->main + 512, 1000);
        sp->process();
        EXPECT_EQ(contents(out), std::vector<int32_t>(512, 1000));
        listened.insert(listened.end(), echo->main, echo->main + 512);
    }
    const auto expected = model(x,
                                {{{}, 0x7FFFFF, 0},
                                 {{{50, 2147483647}}, 0x7FFFFF, 4194303},
                                 {{{0, 2147483647}}, 0x7FFFFF, 0}});
    for (size_t k = 0; k < x.size(); ++k) ASSERT_EQ(listened[k], expected[2][k] + 1000) << k;
    // The feedback reached the ring: what the last group hears is not just the input.
    EXPECT_GT(std::abs(listened[700] - 1000 - x[699]), 1 << 20);

    // "-da" without a value silences the current tap.
    int32_t amplitude = 1;
    VX_cmd("%o -da -da", line, &amplitude, &amplitude);
    EXPECT_EQ(amplitude, 0);
    std::fill(echo->main, echo->main + 512, 1000);
    sp->process();
    EXPECT_EQ(contents(echo), std::vector<int32_t>(512, 1000));
}

TEST_F(Deline, ModesCombineWithTheOutput) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* line = make<VX_Effect_Deline>("VX_Effect_Deline -i %o", in);
    VX_cmd("%o -g -go %o -d -dt %i -da %f", line, nullptr, out, nullptr, 0, 0.5);
    // A tap of time 0 is the input one sample later, here at half its size.
    const auto x = IntegerNoise(24).block(512, 1 << 28);
    fill(in, x);
    sp->process();
    for (int k = 1; k < 512; ++k) ASSERT_NEAR(out->main[k], x[k - 1] / 2, 34) << k;

    fill(in, std::vector<int32_t>(512, 1 << 20));
    sp->process();
    const int32_t v = out->main[100]; // about 2^19, one sample late
    EXPECT_NEAR(v, 1 << 19, 2);
    const int32_t d = 3;
    const int32_t expected[6] = {v, d + v, d - v, -v, -(d + v), v - d};
    for (int m = 0; m < 6; ++m) {
        VX_cmd("%o -mode %s", line, VX_mode_names[m]);
        std::fill(out->main, out->main + 512, d);
        sp->process();
        EXPECT_EQ(out->main[100], expected[m]) << VX_mode_names[m];
    }
}

TEST_F(Deline, OptionsWithoutAGroupOrTapDoNothing) {
    auto* line = make<VX_Effect_Deline>("VX_Effect_Deline");
    char text[256];
    int cap = sizeof text;
    // No current group: nothing is made and nothing is reported.
    ASSERT_EQ(VX_cmd_text(text, &cap, "%o -go -ga -gf -gc -d -dt -da", line), VX_OK);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(line->programLength, 0);

    // A reference that is not one of this line's groups or taps is not taken.
    auto* other = make<VX_Effect_Deline>("VX_Effect_Deline");
    VX_Effect_Deline_Group* foreign = nullptr;
    VX_Effect_Deline_Group_Delay* foreignTap = nullptr;
    VX_cmd("%o -g -d", other, &foreign, &foreignTap);
    VX_cmd("%o -g %o", line, foreign);
    EXPECT_EQ(line->currentGroup, nullptr);
    VX_Effect_Deline_Group* mine = nullptr;
    VX_Effect_Deline_Group_Delay* tap = nullptr;
    VX_cmd("%o -g -d", line, &mine, &tap);
    ASSERT_NE(tap, nullptr);
    VX_cmd("%o -d %o -d %i", line, foreignTap, 12345);
    EXPECT_EQ(mine->currentTap, tap);

    // "-gc" takes the taps out and the group's current tap with them.
    VX_cmd("%o -d -d -gc", line, nullptr, nullptr);
    EXPECT_EQ(line->programLength, 4);
    EXPECT_EQ(mine->currentTap, nullptr);
    cap = sizeof text;
    VX_cmd_text(text, &cap, "%o -dt -da", line);
    EXPECT_STREQ(text, "");
    VX_cmd("%o -d %o", line, tap);
    EXPECT_EQ(mine->currentTap, nullptr); // the removed tap is not taken back
}

TEST_F(Deline, ProgramStaysWithinItsWords) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer(100); // shorter than the input: the block is cut to it
    auto* line = make<VX_Effect_Deline>("VX_Effect_Deline -i %o", in);
    for (int g = 0; g < VX_Effect_Deline::programSize / 4 + 10; ++g) line->addGroup();
    EXPECT_EQ(line->programLength, VX_Effect_Deline::programSize);
    EXPECT_EQ(line->addTap(), nullptr); // no room left
    VX_Effect_Deline_Group* last = line->currentGroup;
    VX_Effect_Deline_Group* again = nullptr;
    VX_cmd("%o -g -go %o", line, &again, out);
    EXPECT_EQ(again, last);
    fill(in, IntegerNoise(23).block(512, 1 << 30));
    sp->process();
    EXPECT_EQ(line->program[VX_Effect_Deline::programSize - 4], -1);

    // Emptied and refilled with taps only: one group of 8190 taps.
    VX_cmd("%o -delete", line);
    made.erase(std::find(made.begin(), made.end(), line));
    line = make<VX_Effect_Deline>("VX_Effect_Deline -i %o -g -go %o", in, nullptr, out);
    int taps = 0;
    while (line->addTap()) ++taps;
    EXPECT_EQ(taps, (VX_Effect_Deline::programSize - 4) / 2);
    sp->process();
}

} // namespace
