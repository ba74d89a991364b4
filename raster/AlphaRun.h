#pragma once
// How four consecutive pixels' alpha values stand: all opaque, all
// transparent or mixed.

#include "raster/Bitmap.h"

enum class AlphaRun { Mixed, Opaque, Clear };

// The pixels AlphaOfFour looks at.
constexpr int kAlphaRunPixels = 4;
