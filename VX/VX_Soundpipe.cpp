#include "VX/VX_Soundpipe.h"

#include "VX/VX_Buffer.h"
#include "VX/VX_Effect.h"
#include "VX/VX_cmd.h"
#include "VX/VX_numeric.h"

VX_Thread_Word<VX_Soundpipe*> VX_Soundpipe::current;

VX_Soundpipe::VX_Soundpipe() {
    current = this;
}

// The soundpipe owns neither its nodes nor its buffers; it lets go of them so that they never
// point at it after it is gone.
VX_Soundpipe::~VX_Soundpipe() {
    nodes.forEach<VX_Effect>([this](VX_Effect* e) {
        nodes.remove(&e->item);
        e->soundpipe = nullptr;
    });
    buffers.forEach<VX_Buffer>([this](VX_Buffer* b) {
        buffers.remove(&b->item);
        b->soundpipe = nullptr;
    });
    // A buffer may follow a soundpipe whose chain it is not in (it was re-sized while another
    // one was current): those are found through their own link.
    followers.forEach<VX_Buffer>([this](VX_Buffer* b) {
        followers.remove(&b->followerItem);
        b->followed = nullptr;
    });
    if (current == this) current = nullptr;
    VX_settings_changed(); // buffers that followed it follow nothing now
}

void VX_Soundpipe::setFused(bool on) {
    fusion.enabled = on;
    VX_settings_changed();
}

int VX_Soundpipe::processOtherwise() {
    if (fusion.runOtherwise(nodes)) return 0;
    return processNodes();
}

int VX_Soundpipe::processNodes() {
    for (VX_Chain_Item* i = buffers.first(); !buffers.isEnd(i); i = i->next)
        static_cast<VX_Buffer*>(i->data)->fadeState = 0;
    try {
        for (VX_Chain_Item* i = nodes.first(); !nodes.isEnd(i); i = i->next) {
            VX_Effect* e = static_cast<VX_Effect*>(i->data);
            // The request is read once, so that the transition the node's buffer accesses see
            // and the switch at the end of the block agree even if "-on" arrives meanwhile.
            const bool requested = e->requestedOn;
            e->blockTransition = e->on == requested ? 0 : (requested ? 1 : -1);
            if (e->on || requested) {
                if (!e->prepared) e->prepare();
                if (e->prepared) e->process();
            }
            if (e->on != requested) {
                if (!requested) e->reset();
                e->on = requested;
            }
            e->blockTransition = 0;
        }
    } catch (...) {
        // A node that fails ends the block; the next block starts afresh.
    }
    return 0;
}

void VX_Soundpipe::clear() {
    for (VX_Chain_Item* i = buffers.first(); !buffers.isEnd(i); i = i->next) {
        VX_Buffer* b = static_cast<VX_Buffer*>(i->data);
        for (int32_t k = 0; k < b->count; ++k) b->main[k] = 0;
    }
    for (VX_Chain_Item* i = nodes.first(); !nodes.isEnd(i); i = i->next)
        static_cast<VX_Effect*>(i->data)->reset();
}

namespace {

VX_Soundpipe* self(VX_Object* o) {
    return static_cast<VX_Soundpipe*>(o);
}

VX_Object* create() {
    // "VX_Soundpipe current" names the soundpipe being built instead of making one.
    if (VX_specialobject && VX_word_equal(VX_specialobject, "current"))
        return VX_Soundpipe::current;
    return new VX_Soundpipe();
}

VX_value blockLength(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->blockLength, v);
    return VX_value::integer(self(o)->blockLength);
}

VX_value insertBefore(VX_Object* o, VX_value v) {
    // Only a node of this soundpipe's chain (or null) can be the insertion point: the node's
    // destructor clears it there, so it can never be left pointing at a deleted node.
    if (v.type == VX_TYPE_OBJECT) {
        VX_Soundpipe* sp = self(o);
        bool known = v.value.p == nullptr;
        for (VX_Chain_Item* i = sp->nodes.first(); !known && !sp->nodes.isEnd(i); i = i->next)
            known = i->data == v.value.p;
        if (known) sp->insertionPoint = static_cast<VX_Effect*>(v.value.p);
    }
    return VX_value::object(self(o)->insertionPoint);
}

VX_value begin(VX_Object* o, VX_value) {
    if (VX_Soundpipe::current) return VX_value::integer(0);
    VX_Soundpipe::current = self(o);
    return VX_value::integer(1);
}

VX_value end(VX_Object* o, VX_value) {
    if (VX_Soundpipe::current != self(o)) return VX_value::integer(0);
    VX_Soundpipe::current = nullptr;
    return VX_value::integer(1);
}

} // namespace

constinit const VX_Option_Entry VX_Soundpipe_options[] = {
    VX_CREATE(create),
    VX_OPTION("bl", blockLength),
    VX_OPTION("be", insertBefore),
    VX_OPTION("b", begin),
    VX_OPTION("e", end),
    VX_PARENT(VX_Object_options),
};
