#include "VX/Nodes/VX_Gener.h"

#include "VX/Nodes/VX_node_options.h"

namespace {

VX_value outputOption(VX_Object* o, VX_value v) {
    return VX_buffer_option(static_cast<VX_Gener*>(o)->output, v);
}

} // namespace

constinit const VX_Option_Entry VX_Gener_options[] = {
    VX_ABSTRACT,
    VX_OPTION("o", outputOption),
    VX_PARENT(VX_Effect_options),
};
