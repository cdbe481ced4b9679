#include "VX/Nodes/VX_Effect_Deline.h"

#include "VX/Kernels/VX_kernels.h"
#include "VX/Nodes/VX_node_numbers.h"
#include "VX/Nodes/VX_node_options.h"

#include <algorithm>

VX_Effect_Deline::VX_Effect_Deline()
    : ring(new int32_t[ringSize]()), program(new intptr_t[programSize]()) {}

VX_Effect_Deline::~VX_Effect_Deline() {
    groups.forEach<VX_Effect_Deline_Group>([this](VX_Effect_Deline_Group* g) {
        groups.remove(&g->item);
        delete g;
    });
}

void VX_Effect_Deline::reset() {
    std::fill(ring.get(), ring.get() + ringSize, 0);
}

VX_Effect_Deline_Group* VX_Effect_Deline::addGroup() {
    if (programLength + groupWords > programSize) return nullptr;
    auto* g = new VX_Effect_Deline_Group();
    groups.insert(&g->item);
    currentGroup = g;
    programLength += groupWords;
    prepared = false;
    return g;
}

VX_Effect_Deline_Group_Delay* VX_Effect_Deline::addTap() {
    if (!currentGroup || programLength + tapWords > programSize) return nullptr;
    auto* tap = new VX_Effect_Deline_Group_Delay();
    currentGroup->taps.insert(&tap->item);
    currentGroup->currentTap = tap;
    programLength += tapWords;
    prepared = false;
    return tap;
}

bool VX_Effect_Deline::has(const VX_Effect_Deline_Group* group) {
    for (VX_Chain_Item* i = groups.first(); !groups.isEnd(i); i = i->next)
        if (i->data == group) return true;
    return false;
}

// Times in seconds follow the clock at every compilation. A delay beyond the ring, or below 0
// (which would read as the end of a group), is held at the nearest one the ring has.
int32_t VX_Effect_Deline::delayWord(const VX_Effect_Deline_Group_Delay::Time& time, int32_t clock) {
    int64_t d;
    if (time.inSamples) {
        d = VX_trunc32(time.value);
    } else {
        VX_Fpu_Extended extended;
        d = VX_trunc32(static_cast<long double>(clock) * static_cast<long double>(time.value));
    }
    return static_cast<int32_t>(std::clamp<int64_t>(d, 0, maxDelay));
}

void VX_Effect_Deline::prepare() {
    if (!input) return; // stays unprepared: nothing to delay
    intptr_t* word = program.get();
    intptr_t* const end = word + programSize;
    int32_t shortest = -1;
    const int32_t fs = clock;
    for (VX_Chain_Item* gi = groups.first(); !groups.isEnd(gi); gi = gi->next) {
        auto* g = static_cast<VX_Effect_Deline_Group*>(gi->data);
        for (VX_Chain_Item* ti = g->taps.first(); !g->taps.isEnd(ti); ti = ti->next) {
            auto* tap = static_cast<VX_Effect_Deline_Group_Delay*>(ti->data);
            if (end - word < tapWords + groupWords) break; // never: creation keeps the room
            tap->time.tryRead(tap->compiledTime);          // while "-dt" writes: the time it had
            *word++ = delayWord(tap->compiledTime, fs);
            *word++ = tap->amplitude;
        }
        if (end - word < groupWords) break;
        int32_t* out = access(g->output);
        const int32_t length = lengthOf(g->output);
        *word++ = -1;
        *word++ = g->gain;
        *word++ = out && length > 0 ? reinterpret_cast<intptr_t>(out + length) : 0;
        *word++ = g->feedback;
        if (out && length > 0) shortest = shortest < 0 ? length : std::min(shortest, length);
    }
    compiledLength = static_cast<int32_t>(word - program.get());
    outputsLength = shortest;
    prepared = true;
}

// Every output receives the last n samples of its block, so the block is no longer than the
// shortest of them.
void VX_Effect_Deline::process() {
    prepared = false;
    int32_t n = lengthOf(input);
    if (outputsLength >= 0) n = std::min(n, outputsLength);
    const int32_t* in = access(input);
    if (!in || n <= 0) return;
    VX_kern_deline[mode](in, n, ring.get(), &ringPosition, program.get(), compiledLength);
}

namespace {

VX_Effect_Deline* self(VX_Object* o) {
    return static_cast<VX_Effect_Deline*>(o);
}

VX_Object* create() {
    return new VX_Effect_Deline();
}

// Options that change the program make the next block compile it again.
void changed(VX_Object* o) {
    self(o)->prepared = false;
}

VX_value inputOption(VX_Object* o, VX_value v) {
    changed(o);
    return VX_buffer_option(self(o)->input, v);
}

// Without a value: a new group, which becomes current (none once the program is full). With a
// reference: that group becomes current if it is one of this line's; anything else is ignored.
VX_value groupOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline* d = self(o);
    if (v.type == VX_TYPE_NONE) {
        d->addGroup();
    } else if (v.type == VX_TYPE_OBJECT) {
        auto* g = static_cast<VX_Effect_Deline_Group*>(v.value.p);
        if (d->has(g)) d->currentGroup = g;
    }
    return VX_value::object(d->currentGroup);
}

// The group options below do nothing and report nothing while no group is current.
VX_value groupOutputOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline_Group* g = self(o)->currentGroup;
    if (!g) return VX_EMPTY;
    changed(o);
    return VX_buffer_option(g->output, v);
}

// Gain and feedback are 0.23 fixed point: trunc(value x 8388607).
bool takeFactor(VX_Shared<int32_t>& field, const VX_value& v) {
    if (!v.isNumber()) return false;
    field = VX_trunc32(static_cast<double>(v.asFloat()) * 8388607.0);
    return true;
}

VX_value groupGainOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline_Group* g = self(o)->currentGroup;
    if (!g) return VX_EMPTY;
    if (takeFactor(g->gain, v)) changed(o);
    return VX_value::integer(g->gain);
}

VX_value groupFeedbackOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline_Group* g = self(o)->currentGroup;
    if (!g) return VX_EMPTY;
    if (takeFactor(g->feedback, v)) changed(o);
    return VX_value::integer(g->feedback);
}

// Removed taps are destroyed at once, and the group's current tap with them: a tap outside the
// program must not write into words that now belong to others.
VX_value groupClearOption(VX_Object* o, VX_value) {
    VX_Effect_Deline* d = self(o);
    if (d->currentGroup) {
        d->programLength -= VX_Effect_Deline::tapWords * d->currentGroup->clearTaps();
        changed(o);
    }
    return VX_EMPTY;
}

// Without a value: a new tap in the current group, which becomes its current tap (none once
// the program is full). With a reference: that tap becomes current if it is one of the group's.
VX_value tapOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline* d = self(o);
    VX_Effect_Deline_Group* g = d->currentGroup;
    if (!g) return VX_EMPTY;
    if (v.type == VX_TYPE_NONE) {
        d->addTap();
    } else if (v.type == VX_TYPE_OBJECT) {
        auto* tap = static_cast<VX_Effect_Deline_Group_Delay*>(v.value.p);
        if (g->has(tap)) g->currentTap = tap;
    }
    return VX_value::object(g->currentTap);
}

VX_Effect_Deline_Group_Delay* currentTap(VX_Object* o) {
    VX_Effect_Deline_Group* g = self(o)->currentGroup;
    return g ? g->currentTap : nullptr;
}

// An integer counts samples, a float seconds. The program is compiled before every block, so a
// change reaches the next one; it is not written into the program, which a block running
// meanwhile is reading.
VX_value tapTimeOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline_Group_Delay* tap = currentTap(o);
    if (!tap) return VX_EMPTY;
    if (v.isNumber()) {
        tap->setTime(v.asFloat(), v.type == VX_TYPE_INT);
        changed(o);
    }
    return VX_value::real(tap->time.read().value);
}

// trunc(value x 2147483647); without a value the tap falls silent.
VX_value tapAmplitudeOption(VX_Object* o, VX_value v) {
    VX_Effect_Deline_Group_Delay* tap = currentTap(o);
    if (!tap) return VX_EMPTY;
    if (v.isNumber() || v.type == VX_TYPE_NONE) {
        tap->amplitude =
            v.isNumber() ? VX_trunc32(static_cast<double>(v.asFloat()) * 2147483647.0) : 0;
        changed(o);
    }
    return VX_value::integer(tap->amplitude);
}

} // namespace

constinit const VX_Option_Entry VX_Effect_Deline_options[] = {
    VX_CREATE(create),
    VX_OPTION("i", inputOption),
    VX_OPTION("g", groupOption),
    VX_OPTION("go", groupOutputOption),
    VX_OPTION("ga", groupGainOption),
    VX_OPTION("gf", groupFeedbackOption),
    VX_OPTION("gc", groupClearOption),
    VX_OPTION("d", tapOption),
    VX_OPTION("dt", tapTimeOption),
    VX_OPTION("da", tapAmplitudeOption),
    VX_PARENT(VX_Effect_options),
};
