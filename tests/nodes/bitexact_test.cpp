// One graph with every node of this library, fed a fixed integer signal: the checksum of all
// outputs over many blocks is the same on every target (the constant was computed natively and
// checked under Windows x64 and 32-bit Windows).
#include "nodes/node_fixture.h"
#include "support/golden.h"

namespace {

using NodeLibraryBitExact = NodeTest;

TEST_F(NodeLibraryBitExact, EveryNodeGivesTheSameBitsEverywhere) {
    VX_Buffer* in = buffer();
    VX_Buffer* side = buffer();
    std::vector<VX_Buffer*> outputs;
    auto output = [&] {
        outputs.push_back(buffer());
        return outputs.back();
    };
    std::vector<VX_Effect*> nodes;
    auto node = [&](VX_Effect* e) {
        nodes.push_back(e);
        return e;
    };

    node(make<VX_Effect>("VX_Effect_Gtzero -i %o -o %o -l %i", in, output(), -1000));
    node(make<VX_Effect>("VX_Effect_Ltzero -i %o -o %o -l %i", in, output(), 1000));
    VX_Effect* dist = node(make<VX_Effect>(
        "VX_Effect_Dist -i %o -o %o -k %f -s %f -d %f -l %i", in, output(), 0.01, 0.3, 0.4, 1));
    // Argument order is unspecified: outputs used together are made beforehand.
    VX_Buffer* envelope = output();
    VX_Buffer* rectified = output();
    node(make<VX_Effect>("VX_Effect_Ampdet -i %o -o %o -a %o -f1 %i -f2 %f -mode sbn",
                         in,
                         envelope,
                         rectified,
                         100,
                         7.5));
    node(make<VX_Effect>("VX_Effect_Lgd -i %o -o %o -c %f", in, output(), 0.05));
    node(make<VX_Effect>("VX_Effect_Freqmul -i %o -o %o", in, output()));
    node(make<VX_Effect>("VX_Effect_Nefreqmul -i %o -o %o -k %i -rand %f", in, output(), 3, 0.4));
    VX_Effect* line = node(make<VX_Effect>("VX_Effect_Deline -i %o -mode add", in));
    VX_cmd("%o -g -go %o -gf %f -ga %f -d -dt %i -da %f -d -dt %f -da %f",
           line,
           nullptr,
           output(),
           0.3,
           0.9,
           nullptr,
           100,
           0.5,
           nullptr,
           0.0075,
           -0.25);
    VX_cmd(
        "%o -g -go %o -gf %f -d -dt %i -da %f", line, nullptr, output(), -0.6, nullptr, 1234, 0.7);
    auto* forward = static_cast<VX_Fourier_Transform*>(
        node(make<VX_Effect>("VX_Fourier_Transform -i %o -s %i -win sin", in, 7)));
    node(make<VX_Effect>("VX_Fourier_Transform -i %o -s %i -d backward", forward->work, 7));
    VX_Buffer* gated1 = output();
    VX_Buffer* gated2 = output();
    auto* gate = static_cast<VX_Fourier_Noisegate*>(
        node(make<VX_Effect>("VX_Fourier_Noisegate -i %o -s %o -o1 %o -o2 %o -a %i",
                             forward->work,
                             side,
                             gated1,
                             gated2,
                             1)));
    node(make<VX_Effect>("VX_Gener_White -o %o", output()));
    node(make<VX_Effect>("VX_Gener_Exp -o %o -beg %f -time %f", output(), 0.1, 0.2));
    node(make<VX_Effect>("VX_Effect_Shift -i %o -o %o -s %i", in, output(), 1000));
    node(make<VX_Effect>("VX_Effect_Nshift -i %o -o %o -s %i -p %i", in, output(), -700, 1234));
    node(make<VX_Effect>("VX_Effect_Oversam -i %o -o %o", in, output()));
    for (VX_Effect* e : nodes) VX_cmd("VX_Effect %o -clock %i", e, 44100);

    const size_t blocks = 64;
    const auto sweep = integerSweep(
        512 * blocks, phaseIncrement(30, 44100), phaseIncrement(12000, 44100), 1 << 29);
    IntegerNoise noise(2024);
    std::vector<int32_t> stream; // every output of every block, in order
    const auto keep = [&stream](const VX_Buffer* b) {
        stream.insert(stream.end(), b->main, b->main + b->count);
    };
    for (size_t b = 0; b < blocks; ++b) {
        const auto hiss = noise.block(512, 1 << 24);
        for (int i = 0; i < 512; ++i) in->main[i] = sweep[512 * b + i] + hiss[i];
        fill(side, noise.block(512, 1 << 26));
        // Switching one node off and on again runs its crossfades.
        if (b == 20) VX_cmd("VX_Effect %o -on %i", dist, 0);
        if (b == 30) VX_cmd("VX_Effect %o -on %i", dist, 1);
        sp->process();
        for (VX_Buffer* o : outputs) keep(o);
        keep(gate->profile);
        keep(forward->work);
    }
    EXPECT_TRUE(golden::matches(fnv1a(stream.data(), stream.size()),
                                stream,
                                0x48FD246315E08A4Full,
                                {-1000,
                                 392253461,
                                 -111803564,
                                 218541949,
                                 -531254737,
                                 244580040,
                                 204049,
                                 390121260,
                                 543282468,
                                 425384007,
                                 50528256,
                                 1190431,
                                 64110289,
                                 -939154121,
                                 1761214,
                                 -47652}));
}

} // namespace
