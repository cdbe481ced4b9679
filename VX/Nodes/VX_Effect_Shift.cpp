#include "VX/Nodes/VX_Effect_Shift.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

void VX_Effect_Shift::process() {
    const int32_t n = VX_common_length(input, output);
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out || n <= 0) return;
    VX_Fpu_Extended extended;
    Sweep block = beginBlock();
    const int32_t startPhase = block.phase;
    for (int32_t i = 0; i < n; ++i) {
        advance(block, in[i]);
        const Windows win = windows(block);
        const int32_t second = static_cast<int32_t>(static_cast<uint32_t>(block.phase) +
                                                    static_cast<uint32_t>(block.sweep));
        const double a1 = tapFine(inputRing, writeIndex, block.phase);
        const double a2 = tapFine(inputRing, writeIndex, second);
        const double acc = a2 * win.falling + a1 * win.rising;
        double ratio, scale;
        if (win.rising >= win.falling) {
            ratio = win.falling / win.rising;
            scale = 1.0 / win.rising;
        } else {
            ratio = win.rising / win.falling;
            scale = 1.0 / win.falling;
        }
        // The sweep stretched by the pitch ratio: how far back the weaker tap's copy lies in
        // the output.
        const int32_t echo = VX_trunc32_double(block.sweep / (1.0 - block.speed * 6.103515625e-05));
        const double f = acc * scale - tapFine(outputRing, writeIndex, echo) * ratio;
        const int32_t y = VX_trunc32_double(f);
        outputRing[writeIndex] = y;
        out[i] = y;
    }
    endBlock(block, startPhase);
}

namespace {

VX_Object* create() {
    return new VX_Effect_Shift();
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Shift_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", VX_shifter_input_option),
    VX_OPTION("o", VX_shifter_output_option),
    VX_OPTION("s", VX_shifter_speed_option),
    VX_OPTION("p", VX_shifter_phase_option),
    VX_PARENT(VX_Effect_options),
};
