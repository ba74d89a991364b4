#pragma once
// AlphaOfFour(pixels): the AlphaRun of four consecutive pixels. Film strips
// are mostly runs of opaque or transparent pixels, which the source-alpha
// copy takes four at a time.
//
// Two implementations: SSE2 on x86 (raster/x86/AlphaRunsX86.h) and plain
// code elsewhere (raster/generic/AlphaRunsGeneric.h).

#include "raster/AlphaRun.h"

#if defined(__SSE2__) || defined(_M_X64)
#include "raster/x86/AlphaRunsX86.h"
#else
#include "raster/generic/AlphaRunsGeneric.h"
#endif
