#pragma once
// Lane types of the signal chain and the pitch shifters: Double2 carries the
// left and right channel together (lane 0 left), Float4 and Int4 four
// consecutive samples of a shifter run. Every lane rounds exactly as the
// same scalar operation would, so code written on lanes gives the bits of
// the plain per-sample arithmetic; the lanes only share the work.
//
// Two implementations with the same operations: SSE2 registers on x86
// (plugin/x86/LanesX86.h) and plain scalar code everywhere else
// (plugin/scalar/LanesScalar.h). Defining VEXA_SCALAR_LANES selects the
// scalar one on x86 too, so that it is tested there.

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VEXA_SCALAR_LANES)
#include "plugin/x86/LanesX86.h"
#else
#include "plugin/scalar/LanesScalar.h"
#endif
