#include "VX/VX_Effect.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/VX_Buffer.h"
#include "VX/VX_Soundpipe.h"
#include "VX/VX_numeric.h"

// Nodes join the current soundpipe when they are made, before the insertion point.
VX_Effect::VX_Effect() {
    if (VX_Soundpipe* sp = VX_Soundpipe::current) {
        soundpipe = sp;
        sp->nodes.insert(&item, sp->insertionPoint ? &sp->insertionPoint->item : nullptr);
    }
}

VX_Effect::~VX_Effect() {
    if (soundpipe) {
        soundpipe->nodes.remove(&item);
        // A deleted insertion point would leave later nodes nowhere to go.
        if (soundpipe->insertionPoint == this) soundpipe->insertionPoint = nullptr;
    }
}

int32_t* VX_Effect::access(VX_Buffer* buffer) const {
    return buffer ? buffer->access(blockTransition) : nullptr;
}

int32_t VX_Effect::lengthOf(const VX_Buffer* buffer) {
    return buffer ? buffer->length() : 0;
}

const char* const VX_mode_names[VX_MODE_COUNT] = {"set", "add", "sub", "stn", "adn", "sbn"};

namespace {

VX_Effect* self(VX_Object* o) {
    return static_cast<VX_Effect*>(o);
}

VX_value before(VX_Object* o, VX_value v) {
    VX_Effect* e = self(o);
    VX_Effect* next = nullptr;
    VX_set_object(next, v);
    VX_Soundpipe* sp = VX_Soundpipe::current;
    // Only a node of the current soundpipe's chain can be named; anything else is ignored.
    if (sp && next && next != e && next->item.chain == &sp->nodes &&
        (e->item.chain == nullptr || e->item.chain == &sp->nodes)) {
        sp->nodes.remove(&e->item);
        sp->nodes.insert(&e->item, &next->item);
        e->soundpipe = sp;
    }
    return VX_value::object(e->item.chain ? e->item.next->data : nullptr);
}

VX_value mode(VX_Object* o, VX_value v) {
    if (v.type == VX_TYPE_STRING && v.value.s) {
        for (int m = VX_MODE_COUNT - 1; m >= 0; --m)
            if (VX_word_equal(VX_mode_names[m], v.value.s)) {
                self(o)->mode = m;
                break;
            }
    }
    return VX_value::string(VX_mode_names[self(o)->mode]);
}

VX_value clock(VX_Object* o, VX_value v) {
    if (VX_take_int(self(o)->clock, v)) self(o)->clockChanged();
    return VX_value::integer(self(o)->clock);
}

VX_value on(VX_Object* o, VX_value v) {
    VX_take_flag(self(o)->requestedOn, v);
    return VX_value::integer(self(o)->requestedOn ? 1 : 0);
}

VX_value debug(VX_Object* o, VX_value v) {
    VX_take_flag(self(o)->debug, v);
    return VX_value::integer(self(o)->debug ? 1 : 0);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_options[] = {
    VX_ABSTRACT,
    VX_OPTION("before", before),
    VX_OPTION("mode", mode),
    VX_OPTION("clock", clock),
    VX_OPTION("on", on),
    VX_OPTION("debug", debug),
    VX_OPTION("delete", VX_Object_delete),
    VX_PARENT(VX_Object_options),
};
