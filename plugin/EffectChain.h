#pragma once
// The effect's signal chain: the shaping table of the blend and the limits the
// chain applies. ProcessBlock itself is a Vexa operation (plugin/Vexa.h).

// The blend's waveshaping curve: entry i is the output for input magnitude
// i / kShapeInputScale, so the table covers magnitudes 0 to 0.1; beyond that
// the last entry holds.
constexpr int kShapeTableSize = 200;
constexpr double kShapeInputScale = 1990.0;
extern const float kShapeTable[kShapeTableSize];

// Shapes one sample: linear interpolation of |x| in the table, with the sign
// of x. Pure; any thread.
double ShapeSample(double x);

// The largest cut-off, as a fraction of the sample rate, that the chain hands
// to its filter sections. Frequency reaches 20000 Hz, which passes half the
// sample rate below about 40.8 kHz, where the pre-warping tangent changes sign
// and the sections blow up.
constexpr double kMaxCutoffFraction = 0.49;
