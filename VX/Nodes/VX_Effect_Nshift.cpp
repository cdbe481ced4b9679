#include "VX/Nodes/VX_Effect_Nshift.h"

#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

void VX_Effect_Nshift::process() {
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
        const double a1 = tapCoarse(inputRing, writeIndex, block.phase);
        const double a2 = tapCoarse(inputRing, writeIndex, second);
        out[i] = VX_trunc32_double(a2 * win.falling + a1 * win.rising);
    }
    endBlock(block, startPhase);
}

namespace {

VX_Object* create() {
    return new VX_Effect_Nshift();
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Nshift_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", VX_shifter_input_option),
    VX_OPTION("o", VX_shifter_output_option),
    VX_OPTION("s", VX_shifter_speed_option),
    VX_OPTION("p", VX_shifter_phase_option),
    VX_PARENT(VX_Effect_options),
};
