#include "VX/VX_Buffer.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/VX_Soundpipe.h"
#include "VX/VX_cmd.h"
#include "VX/VX_numeric.h"

#include <cstring>
#include <atomic>
#include <new>

VX_Buffer::VX_Buffer() {
    setLength(-1);
    if (VX_Soundpipe::current) {
        soundpipe = VX_Soundpipe::current;
        soundpipe->buffers.insert(&item);
    }
}

// Leaves the soundpipe's buffer chain too: the next block would otherwise visit freed memory.
VX_Buffer::~VX_Buffer() {
    if (soundpipe) soundpipe->buffers.remove(&item);
    follow(nullptr);
    delete[] storage;
}

void VX_Buffer::follow(VX_Soundpipe* sp) {
    if (followed) followed->followers.remove(&followerItem);
    followed = sp;
    if (sp) sp->followers.insert(&followerItem);
}

void VX_Buffer::setLength(int32_t v) {
    // Counted once the new storage (or none) is in place, on every way out.
    struct Counted {
        ~Counted() { VX_settings_changed(); }
    } counted;
    delete[] storage;
    storage = main = shadow = nullptr;
    count = 0;
    requested = v;
    if (v == 0) return;
    int32_t n;
    if (v == -1) {
        follow(VX_Soundpipe::current);
        n = followed ? followed->blockLength : 0;
    } else {
        follow(nullptr);
        n = v;
    }
    if (n <= 0 || n > maxLength) {
        requested = 0;
        return;
    }
    // Buffers of one length allocated one after another lie a whole number of pages apart, so
    // a loop reading one and writing another would have its loads wait on the stores to the
    // same place in the page, which the processor takes for the same address. Each buffer
    // starts at its own quarter of a page instead.
    static std::atomic<uint32_t> allocations{0};
    const size_t stagger = (allocations.fetch_add(1, std::memory_order_relaxed) % 4) * 256;
    storage = new (std::nothrow) int32_t[2 * static_cast<size_t>(n) + 3 * 256];
    if (!storage) {
        requested = 0;
        return;
    }
    main = storage + stagger;
    shadow = main + n;
    count = n;
    position %= n;
    std::memset(main, 0, sizeof(int32_t) * static_cast<size_t>(n));
}

int32_t* VX_Buffer::access(int t) {
    if (!main) return nullptr;
    if (t != fadeState) {
        const int32_t n = length();
        if (n > 0) {
            if (fadeState == -1)
                VX_kern_fade_to_main(main, shadow, n);
            else if (fadeState == 1)
                VX_kern_fade_to_shadow(main, shadow, n);
            if (t != 0) std::memcpy(shadow, main, sizeof(int32_t) * static_cast<size_t>(n));
        }
        fadeState = t;
    }
    return t != 0 ? shadow : main;
}

namespace {

VX_Buffer* self(VX_Object* o) {
    return static_cast<VX_Buffer*>(o);
}

VX_Object* create() {
    return new VX_Buffer();
}

VX_value length(VX_Object* o, VX_value v) {
    int32_t requested = 0;
    if (VX_take_int(requested, v)) self(o)->setLength(requested);
    return VX_value::integer(self(o)->length());
}

VX_value title(VX_Object* o, VX_value v) {
    // The program passes its titles by "%o"; a word of the command is taken as well.
    if (v.type == VX_TYPE_OBJECT || v.type == VX_TYPE_STRING) self(o)->title = v.value.s;
    return VX_value::string(self(o)->title);
}

VX_value limit(VX_Object* o, VX_value v) {
    VX_take_int(self(o)->limit, v);
    return VX_value::integer(self(o)->limit);
}

} // namespace

constinit const VX_Option_Entry VX_Buffer_options[] = {
    VX_CREATE(create),
    VX_OPTION("l", length),
    VX_OPTION("t", title),
    VX_OPTION("limit", limit),
    VX_OPTION("delete", VX_Object_delete),
    VX_PARENT(VX_Object_options),
};
