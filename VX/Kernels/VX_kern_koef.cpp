#include "VX/Kernels/VX_kern_arith.h"

namespace {

template <int Oper> VX_KERN_INLINE int32_t combine(int32_t x, int32_t k) {
    if constexpr (Oper == VX_OPER_ADD)
        return VX_kern_s(VX_kern_u(x) + VX_kern_u(k)); // both wrap
    else if constexpr (Oper == VX_OPER_SUB)
        return VX_kern_s(VX_kern_u(x) - VX_kern_u(k));
    else if constexpr (Oper == VX_OPER_MUL)
        return VX_kern_mul24(x, k);
    else
        return VX_kern_div24<true>(x, k);
}

template <int Oper, int Mode> void koef(const int32_t* src, int32_t* dst, int n, int32_t k) {
    src += n;
    dst += n;
    for (VX_kern_index i = -n; i < 0; ++i)
        dst[i] = VX_kern_write<Mode>(dst[i], combine<Oper>(src[i], k));
}

} // namespace

constinit const VX_Kern_Koef VX_kern_koef[VX_OPER_COUNT * VX_MODE_COUNT] = {
    VX_KERN_OPER_MODES(koef, VX_OPER_ADD),
    VX_KERN_OPER_MODES(koef, VX_OPER_SUB),
    VX_KERN_OPER_MODES(koef, VX_OPER_MUL),
    VX_KERN_OPER_MODES(koef, VX_OPER_DIV),
};
