// The line each dispatcher writes to standard output for every call it receives, naming the
// opcode, so that a host session can be followed from the console.
#pragma once

#include "plugin/vst/vst_abi.h"

// Name of a 1.x opcode (0 to 24), or "UNKNOWN".
const char* vst_base_opcode_name(VstInt32 opcode);
// Name of a 2.x opcode (25 and up), or "UNKNOWN".
const char* vst_extended_opcode_name(VstInt32 opcode);

// Writes "<who>::dispatcher opcode=... '<name>' index=... value=... ptr=... opt=... (...)" and
// flushes. The pointer is written as a signed decimal integer of its full width.
void vst_trace_dispatch(const char* who, const char* name, VstInt32 opcode, VstInt32 index,
                        VstIntPtr value, void* ptr, float opt);
