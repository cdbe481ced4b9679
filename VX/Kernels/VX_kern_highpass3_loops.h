// The fused high-pass's loops on x86-64, for the kernel's own files and for the tests that
// compare them: the loop that checks every sample for saturation, and the one that takes the
// input's products with vector instructions and checks a stretch of samples at once. Both
// need n > 0 and folded constants (VX_Kern_Highpass3_Args::folded).
#pragma once

#include "VX/Kernels/VX_kernels.h"

#if defined(__x86_64__)
#define VX_KERN_HIGHPASS3_WIDE 1

// Six steps a round, each sample checked: every block on a processor without AVX2, and the
// samples the wide loop leaves to it.
void VX_kern_highpass3_checked(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                               const VX_Kern_Highpass3_Args& k);

// AVX2. The products of the input are worked out four samples at a time ahead of the
// recursions, which then take a third fewer instructions a sample; the outputs are made and
// checked four at a time behind them. A stretch in which some sample would saturate is run
// again through the checked loop, as are the samples after it (VX_kern_highpass3_wide_quiet_after
// of them), blocks shorter than VX_kern_highpass3_wide_shortest and the samples before the
// block's last multiple of eight.
void VX_kern_highpass3_wide(const int32_t* src, int32_t* dst, int32_t* copy, int n,
                            const VX_Kern_Highpass3_Args& k);
bool VX_kern_highpass3_wide_available();

constexpr int VX_kern_highpass3_wide_shortest = 16; // a stretch takes two rounds at least
constexpr int32_t VX_kern_highpass3_wide_quiet_after = 4096;
#endif
