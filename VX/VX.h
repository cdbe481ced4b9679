// The framework's public interface. Code outside the framework includes this header only.
#pragma once

// Object system and command language
#include "VX/VX_value.h"
#include "VX/VX_Object.h"
#include "VX/VX_Thread_Word.h"
#include "VX/VX_cfuncs.h"
#include "VX/VX_cmd.h"
#include "VX/VX_Chain.h"
#include "VX/VX_Apptpl.h"

// Signal graph
#include "VX/VX_Soundpipe.h"
#include "VX/VX_Buffer.h"
#include "VX/VX_Effect.h"
#include "VX/Kernels/VX_kernels.h"

// Nodes
#include "VX/Nodes/VX_Effect_Zero.h"
#include "VX/Nodes/VX_Effect_Onepole.h"
#include "VX/Nodes/VX_Effect_Hipass.h"
#include "VX/Nodes/VX_Effect_Lopass.h"
#include "VX/Nodes/VX_Effect_Bapass.h"
#include "VX/Nodes/VX_Effect_Copy.h"
#include "VX/Nodes/VX_Effect_Oper.h"
#include "VX/Nodes/VX_Effect_Koef.h"

// More nodes
#include "VX/Nodes/VX_Effect_Gtzero.h"
#include "VX/Nodes/VX_Effect_Ltzero.h"
#include "VX/Nodes/VX_Effect_Dist.h"
#include "VX/Nodes/VX_Effect_Ampdet.h"
#include "VX/Nodes/VX_Effect_Lgd.h"
#include "VX/Nodes/VX_Effect_Freqmul.h"
#include "VX/Nodes/VX_Effect_Nefreqmul.h"
#include "VX/Nodes/VX_Effect_Deline.h"
#include "VX/Nodes/VX_Fourier_Transform.h"
#include "VX/Nodes/VX_Fourier_Noisegate.h"
#include "VX/Nodes/VX_Gener.h"
#include "VX/Nodes/VX_Gener_White.h"
#include "VX/Nodes/VX_Gener_Exp.h"
#include "VX/Nodes/VX_Effect_Shift.h"
#include "VX/Nodes/VX_Effect_Nshift.h"
#include "VX/Nodes/VX_Effect_Oversam.h"

// Pictures, filmstrips, windows and widgets
#include "VX/Pic/VX_Pic.h"
#include "VX/VX_Vid.h"
#include "VX/Win/VX_Win.h"
#include "VX/Wid/VX_Wid.h"
#include "VX/Wid/VX_Wid_Pic.h"
#include "VX/Wid/VX_Wid_Butt.h"
#include "VX/Wid/VX_Wid_Knob.h"
#include "VX/Wid/VX_Wid_Text.h"
#include "VX/Wid/VX_Wid_Pal.h"
#include "VX/Dlg/VX_Dlg_File.h"
#ifdef _WIN32
#include "VX/Win/VX_Win_Win32.h"
#endif
