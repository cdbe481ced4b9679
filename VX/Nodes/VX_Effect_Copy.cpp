#include "VX/Nodes/VX_Effect_Copy.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_options.h"

int32_t VX_Effect_Copy::countFor(int32_t inputLength, int32_t outputLength, int32_t inputStep,
                                 int32_t outputStep) {
    if (inputStep <= 0 || outputStep < 0 || inputLength <= 0 || outputLength <= 0) return 0;
    const int32_t n = inputLength / inputStep;
    if (outputStep == 0) return n; // every sample lands on the output's first one
    return std::min(n, (outputLength - 1) / outputStep + 1);
}

void VX_Effect_Copy::process() {
    const int32_t* in = access(input);
    int32_t* out = access(output);
    if (!in || !out) return;
    // Each word once: the count must hold for the steps the kernel is given.
    const int32_t m = mode, is = inputStep, os = outputStep;
    if (in == out && m == VX_MODE_SET) return; // a copy onto itself
    const int32_t n = countFor(lengthOf(input), lengthOf(output), is, os);
    if (n > 0) VX_kern_copy[m](in, out, n, is, os);
}

namespace {

VX_Effect_Copy* self(VX_Object* o) {
    return static_cast<VX_Effect_Copy*>(o);
}

VX_Object* create() {
    return new VX_Effect_Copy();
}

VX_value inputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->input, v);
}

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(self(o)->output, v);
}

VX_value stepOption(VX_Shared<int32_t>& step, const VX_value& v) {
    VX_take_int(step, v);
    return VX_value::integer(step);
}

VX_value inputStepOption(VX_Object* o, VX_value v) {
    return stepOption(self(o)->inputStep, v);
}

VX_value outputStepOption(VX_Object* o, VX_value v) {
    return stepOption(self(o)->outputStep, v);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Copy_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("o", outputOption),
    VX_OPTION("is", inputStepOption),
    VX_OPTION("os", outputStepOption),
    VX_PARENT(VX_Effect_options),
};
