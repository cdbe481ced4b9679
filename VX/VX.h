// The framework's public interface. Code outside the framework includes this header only.
#pragma once

// Object system and command language
#include "VX/VX_value.h"
#include "VX/VX_Object.h"
#include "VX/VX_cfuncs.h"
#include "VX/VX_cmd.h"
#include "VX/VX_Chain.h"
#include "VX/VX_Apptpl.h"

// Signal graph
#include "VX/VX_Soundpipe.h"
#include "VX/VX_Buffer.h"
#include "VX/VX_Effect.h"
#include "VX/Kernels/VX_kernels.h"
