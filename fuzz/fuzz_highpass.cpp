// Fuzzes the effect's own graph (plugin/highpass_graph.h) as the plug-in drives it: clocks,
// cutoffs (also not numbers, negative, huge), the on/off switch and the band-pass arithmetic
// changed between runs of any length, in fixed point and from host floats of any value
// (infinities and NaN included). Whatever happens, every output sample must be a number the
// graph's fixed point can give: finite and within +-2.
#include "command_builder.h"

#include "plugin/highpass_graph.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

double fuzzCutoff(ByteSource& in) {
    static const double extremes[] = {0.0,
                                      -0.0,
                                      -1000.0,
                                      1e-30,
                                      20.0,
                                      10000.0,
                                      22050.0,
                                      1e30,
                                      std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN()};
    if (in.below(4) == 0) return extremes[in.below(std::size(extremes))];
    return 20.0 + in.below(65536) * (9980.0 / 65535.0);
}

float fuzzSample(ByteSource& in) {
    static const float extremes[] = {0.0f,
                                     1.0f,
                                     -1.0f,
                                     1.5f,
                                     -1e30f,
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::denorm_min()};
    if (in.below(4) == 0) return extremes[in.below(std::size(extremes))];
    return static_cast<float>(in.int32()) / 2147483648.0f;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    HighpassGraph graph;
    std::vector<float> host, left, right;
    std::vector<int32_t> fixed, out;
    static const int32_t clocks[] = {44100, 48000, 8000, 192000, 1, 3, 0, -44100, 2147483520};
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.below(7)) {
        case 0:
            graph.setClock(clocks[in.below(std::size(clocks))]);
            break;
        case 1:
            graph.setCutoff(fuzzCutoff(in));
            break;
        case 2:
            graph.setOn(in.byte() & 1);
            break;
        case 3:
            VX_cmd("%o -a %s", graph.bandpass, in.byte() & 1 ? "floating" : "integer");
            break;
        case 4: {
            // Fixed-point samples straight in: any 32-bit value, beyond the host's +-2^30 too.
            fixed.resize(in.below(1500));
            for (int32_t& x : fixed) x = in.below(3) ? in.int32() >> in.below(8) : in.int32();
            out.resize(fixed.size());
            graph.run(fixed.data(), out.data(), fixed.size());
            break;
        }
        default: {
            const size_t n = in.below(1500);
            host.resize(n);
            for (float& x : host) x = fuzzSample(in);
            left.assign(n, 7.0f);
            right.assign(n, 7.0f);
            // Now and then the host passes one array as input and output.
            const bool inPlace = in.below(4) == 0;
            float* input = inPlace ? left.data() : host.data();
            if (inPlace) std::copy(host.begin(), host.end(), left.begin());
            graph.runHost(input, left.data(), right.data(), static_cast<int32_t>(n));
            for (size_t i = 0; i < n; ++i)
                if (!(std::fabs(left[i]) <= 2.0f) ||
                    std::memcmp(&left[i], &right[i], sizeof(float)) != 0)
                    std::abort();
            break;
        }
        }
    }
    return 0;
}
