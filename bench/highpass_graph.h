// The plug-in's third-order high-pass graph, built by the plug-in's own commands, for the
// benchmarks that measure it: buf_i -> copy -> lpf_buffer, one-pole high-pass, band-pass
// subtracted, copy to buf_o.
#pragma once

#include "VX/VX.h"

#include <initializer_list>

struct HighpassGraph {
    VX_Soundpipe* sp = nullptr;
    VX_Buffer *in = nullptr, *work = nullptr, *out = nullptr;
    VX_Effect *bypass = nullptr, *hp = nullptr, *bp = nullptr, *copy = nullptr;

    HighpassGraph(int blockLength, int clock, double cutoff) {
        VX_cmd("VX_Soundpipe -bl %i -b", &sp, blockLength, nullptr);
        VX_cmd("VX_Buffer -t %o", &in, "buf_i");
        VX_cmd("VX_Buffer -t %o", &work, "lpf_buffer");
        VX_cmd("VX_Effect_Copy -i %o -o %o", &bypass, in, work);
        VX_cmd("VX_Effect_Hipass -i %o -o %o", &hp, in, work);
        VX_cmd("VX_Effect_Bapass -i %o -o %o -q .618 -mode sub", &bp, in, work);
        VX_cmd("VX_Buffer -t %o", &out, "buf_o");
        VX_cmd("VX_Effect_Copy -i %o -o %o", &copy, work, out);
        VX_cmd("VX_Soundpipe %o -e", sp, nullptr);
        for (VX_Effect* e : {bypass, hp, bp, copy}) VX_cmd("VX_Effect %o -clock %i", e, clock);
        VX_cmd("%o -f %f", hp, cutoff);
        VX_cmd("%o -f %f", bp, cutoff);
    }
    ~HighpassGraph() {
        for (VX_Object* o :
             std::initializer_list<VX_Object*>{copy, bp, hp, bypass, out, work, in, sp})
            VX_cmd("%o -delete", o);
    }
    HighpassGraph(const HighpassGraph&) = delete;
    HighpassGraph& operator=(const HighpassGraph&) = delete;
};
