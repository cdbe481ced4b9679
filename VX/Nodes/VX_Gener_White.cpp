#include "VX/Nodes/VX_Gener_White.h"

// From the last sample down to the first.
void VX_Gener_White::process() {
    const int32_t n = lengthOf(output);
    int32_t* out = access(output);
    if (!out || n <= 0) return;
    for (int32_t i = n - 1; i >= 0; --i)
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(nextRandom() - 16384) << 16);
}

namespace {

VX_Object* create() {
    return new VX_Gener_White();
}

} // namespace

constinit const VX_Option_Entry VX_Gener_White_options[] = {
    VX_CREATE(create),
    VX_PARENT(VX_Gener_options),
};
